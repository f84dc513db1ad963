// The Windows window system behind the seam: the record that links a window to its handler
// object, the window and dialog procedures that route to it, and the Windows seam itself.
#pragma once
#include <atomic>

#include "platform/win32/win32_backend.h"

namespace zq::win32 {

// What the backend keeps per window, linked to the window as a property from the first
// message the procedure sees (WM_NCCREATE, or WM_INITDIALOG for dialogs).
struct WindowRecord {
  WindowHandler* handler = nullptr;
  const WindowSpec* creating = nullptr;  // while the window is being created
  bool dialog = false;
  bool ownedByWindow = false;    // deleted with the window once creation succeeded
  WNDPROC systemProc = nullptr;  // windows of system classes: their own procedure
  UniqueBitmap picture;
  int pictureWidth = 0;
  int pictureHeight = 0;
  HDC paintDc = nullptr;  // while the handler runs WM_PAINT
  std::atomic<bool> modalEnded{false};
  std::atomic<int> modalResult{0};
};

WindowRecord* RecordOf(HWND window);
// Copies the window's picture to its top left corner.
void PaintPicture(HDC dc, const WindowRecord& record);

// The message a window's procedure is handling on this thread, with the parameter as the
// handler saw it and as the system gave it, so that DefaultProc can hand the system's own
// record on and knows when a dialog's handler left a message to the dialog manager.
struct Frame {
  HWND window;
  UINT message;
  LPARAM portable;
  LPARAM system;
  bool defaulted;
};

class Win32Windows : public Windows {
 public:
  explicit Win32Windows(HINSTANCE module);

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
  // Makes sure a class of that name exists for Create; false when it is a class of the
  // system or of another module, whose windows the backend subclasses instead.
  bool EnsureOwnClass(const std::wstring& name);
  WindowHandle CreateDialogWindow(const WindowSpec& desc);
  WindowHandle CreateSubclassed(const WindowSpec& desc);

  HINSTANCE module_;
  CriticalSection classLock_;
};

// The backend's own window procedure and the dialog procedure of "#32770" windows.
LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

}  // namespace zq::win32
