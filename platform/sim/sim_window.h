// The simulated window system as one process's threads see it.
// State lives in the Desktop; this class only carries the calling process's id.
#pragma once
#include "platform/sim/sim_desktop.h"

namespace zq::sim {

class SimWindows : public Windows {
 public:
  SimWindows(Desktop& desktop, std::uint32_t pid);

  WindowHandle Create(const WindowSpec& desc) override;
  bool Destroy(WindowHandle window) override;
  bool IsWindow(WindowHandle window) override;
  std::wstring ClassName(WindowHandle window) override;
  std::wstring Title(WindowHandle window) override;
  bool SetTitle(WindowHandle window, const std::wstring& title) override;
  std::uint32_t Style(WindowHandle window) override;
  void SetStyle(WindowHandle window, std::uint32_t style) override;
  std::uint32_t ExStyle(WindowHandle window) override;
  void SetExStyle(WindowHandle window, std::uint32_t exStyle) override;
  Rect WindowRect(WindowHandle window) override;
  Rect ClientRect(WindowHandle window) override;
  bool MoveWindow(WindowHandle window, const Rect& rect) override;
  bool IsVisible(WindowHandle window) override;
  bool Show(WindowHandle window, int command) override;
  bool IsEnabled(WindowHandle window) override;
  bool EnableWindow(WindowHandle window, bool enable) override;
  bool IsIconic(WindowHandle window) override;
  std::uint32_t ThreadOf(WindowHandle window) override;
  WindowHandle DesktopWindow() override;
  WindowHandle Parent(WindowHandle window) override;
  WindowHandle FirstChild(WindowHandle window) override;
  WindowHandle NextSibling(WindowHandle window) override;
  WindowHandle SetParent(WindowHandle window, WindowHandle parent) override;
  WindowHandle FindWindow(WindowHandle parent, WindowHandle after, const std::wstring& className,
                          const std::wstring& title) override;
  bool BringToTop(WindowHandle window) override;
  WindowHandle Foreground() override;
  bool SetForeground(WindowHandle window) override;
  WindowHandle ActiveWindow() override;
  WindowHandle SetActiveWindow(WindowHandle window) override;
  WindowHandle Focus() override;
  WindowHandle SetFocus(WindowHandle window) override;
  bool Post(WindowHandle window, unsigned message, WParam wParam, LParam lParam) override;
  LResult Send(WindowHandle window, unsigned message, WParam wParam, LParam lParam) override;
  void PostQuit(int exitCode) override;
  LResult DefaultProc(WindowHandle window, unsigned message, WParam wParam, LParam lParam) override;
  bool SetTimer(WindowHandle window, unsigned id, unsigned periodMs) override;
  bool KillTimer(WindowHandle window, unsigned id) override;
  int RunModalLoop(WindowHandle window) override;
  void EndModal(WindowHandle window, int result) override;
  void PumpPending() override;
  unsigned RegisterMessage(const std::wstring& name) override;
  int MessageBox(WindowHandle owner, const std::wstring& text, const std::wstring& caption,
                 unsigned style) override;
  bool RegisterClass(const WindowClass& windowClass) override;
  bool UnregisterClass(const std::wstring& name) override;
  std::optional<WindowClass> RegisteredClass(const std::wstring& name) override;
  bool DialogMessage(WindowHandle dialog, const ForwardedMessage& message) override;
  bool LayeredSupported() override;
  bool SetLayeredAttributes(WindowHandle window, std::uint32_t colorKey, int alpha,
                            unsigned flags) override;
  bool SetRegion(WindowHandle window, const std::vector<Rect>& region) override;
  bool SetPicture(WindowHandle window, const Bitmap* picture) override;
  // Painting, cursor, mouse tracking and zoom: sim_taskbar.cpp, recorded by the taskbar.
  bool Redraw(WindowHandle window, unsigned flags) override;
  bool PaintText(WindowHandle window, const TextPaint& text) override;
  bool SetWindowPos(WindowHandle window, WindowHandle insertAfter, const Rect& rect,
                    unsigned flags) override;
  void SetCursor(unsigned systemCursorId) override;
  bool TrackMouse(WindowHandle window, unsigned flags, unsigned hoverMs) override;
  bool MinimizeAnimation() override;
  bool ZoomRects(WindowHandle window, const Rect& from, const Rect& to) override;
  unsigned TrackPopupMenu(const Menu& menu, unsigned flags, Point at, WindowHandle owner) override;
  Point CursorPos() override;
  bool KeyDown(int virtualKey) override;
  Rect ScreenRect() override;
  Rect WorkArea() override;

 private:
  bool PreTranslateWalk(WindowHandle modal, const QueuedMessage& m);
  // Whether `dialog` is a dialog ("#32770") and `window` is it or lies inside it.
  bool IsDialogOrInside(WindowHandle dialog, WindowHandle window);
  Desktop& d_;
  std::uint32_t pid_;
};

// "0x10012 ClassName \"Title\"" for traces.
std::string WindowLabel(Desktop& d, WindowHandle h);

}  // namespace zq::sim
