// The window system seam: windows, message queues, timers, modal loops and message boxes.
// All window operations are made on the thread that owns the window unless a method says otherwise.
#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/types.h"

namespace zq {

struct Bitmap;

// Receives the messages of one window. The handler object outlives its window.
class WindowHandler {
 public:
  virtual ~WindowHandler() = default;
  // Called on the window's owner thread. Must not let an exception escape.
  virtual LResult OnMessage(WindowHandle window, unsigned message, WParam wParam,
                            LParam lParam) = 0;
  // Called by a modal loop before a queued message is translated and dispatched, for the
  // message's window and then each of its parents (owners for pop-ups) on the loop's
  // thread, nearest first, and last for the modal window when it was not among them;
  // true swallows the message.
  virtual bool PreTranslate(WindowHandle window, unsigned message, WParam wParam, LParam lParam) {
    return false;
  }
};

struct WindowSpec {
  std::wstring className;
  std::wstring title;
  std::uint32_t style = 0;
  std::uint32_t exStyle = 0;
  Rect rect;                // screen coordinates for top-level windows, parent client otherwise
  WindowHandle parent = 0;  // parent (child windows) or owner (popups)
  WindowHandler* handler = nullptr;
  LParam createParam = 0;  // class "#32770": the dialog template's id (0: 102)
};

// A window class as the client asks for it; both desktops keep what they were given.
struct WindowClass {
  // Class styles (CS_*).
  static constexpr unsigned VRedraw = 0x0001, HRedraw = 0x0002, DblClks = 0x0008, SaveBits = 0x0800,
                            ByteAlignClient = 0x1000, ByteAlignWindow = 0x2000;
  // System cursors (IDC_*) and brushes: a system colour (COLOR_*) or a stock brush.
  static constexpr unsigned ArrowCursor = 32512, AppStartingCursor = 32650;
  static constexpr int WindowColor = 5, LightGrayStock = 1;
  enum class Brush { None, SystemColor, Stock };

  std::wstring name;
  unsigned style = 0;
  unsigned cursor = 0;  // a system cursor id; 0: none
  Brush brush = Brush::None;
  int brushIndex = 0;   // the COLOR_* index or the stock object's index
  int extraBytes = 0;   // window extra bytes
  unsigned iconId = 0;  // an icon resource of the program; 0: none
  // A class with the arrow cursor on the window colour, as most of the client's are.
  static WindowClass ArrowOnWindowColor(std::wstring name, unsigned style) {
    WindowClass c;
    c.name = std::move(name);
    c.style = style;
    c.cursor = ArrowCursor;
    c.brush = Brush::SystemColor;
    c.brushIndex = WindowColor;
    return c;
  }
  bool operator==(const WindowClass& o) const {
    return name == o.name && style == o.style && cursor == o.cursor && brush == o.brush &&
           (brush == Brush::None || brushIndex == o.brushIndex) && extraBytes == o.extraBytes &&
           iconId == o.iconId;
  }
};

// The message that a window sends its child holding the focus (WM_FORWARDMSG): lParam
// points to this record of a key or mouse message during the send, and a nonzero answer
// means the child consumed it. A window hosting a web control that leaves the message to
// DefaultProc offers it to the control's accelerator handling.
namespace wm {
constexpr unsigned ForwardMsg = 0x037F;
}
struct ForwardedMessage {
  WindowHandle window = 0;  // the window the message was queued for
  unsigned message = 0;
  WParam wParam = 0;
  LParam lParam = 0;
};

// A menu as data: what the client needs to read, rename, grey, check and show.
struct MenuItem {
  unsigned id = 0;    // 0 for separators and popups
  std::wstring text;  // empty for a separator
  bool separator = false;
  bool grayed = false;
  bool checked = false;
  bool isDefault = false;
  std::vector<MenuItem> popup;  // non-empty for a submenu
};
using Menu = std::vector<MenuItem>;

// A font as the logic describes it; the backend creates the real one.
struct FontSpec {
  std::wstring face = L"MS Shell Dlg";  // the default GUI font
  int tenthsOfPoint = 80;
  bool bold = false, italic = false, underline = false;
  bool operator==(const FontSpec& o) const {
    return face == o.face && tenthsOfPoint == o.tenthsOfPoint && bold == o.bold &&
           italic == o.italic && underline == o.underline;
  }
};

// One DrawTextW call: the text in a rectangle (window coordinates) with DT_* flags, in a
// font and a colour (0x00BBGGRR), over a transparent or opaque background.
struct TextPaint {
  std::wstring text;
  Rect rect;
  unsigned format = 0;
  FontSpec font;
  std::uint32_t color = 0;
  bool transparent = true;
};

// RedrawWindow flags.
namespace rdw {
constexpr unsigned Invalidate = 0x0001, Erase = 0x0004, AllChildren = 0x0080, UpdateNow = 0x0100,
                   Frame = 0x0400;
}

// TrackMouseEvent requests.
namespace tme {
constexpr unsigned Hover = 0x1, Leave = 0x2;
}

// SetWindowPos's insert-after value that makes a window topmost.
constexpr WindowHandle InsertTopmost = ~static_cast<WindowHandle>(0);

class Windows {
 public:
  virtual ~Windows() = default;

  // Creation and destruction, on the calling thread, which owns the new window.
  // Create sends WM_NCCREATE/WM_CREATE to the handler; returns 0 on failure.
  virtual WindowHandle Create(const WindowSpec& desc) = 0;
  // Sends WM_DESTROY and WM_NCDESTROY to the handler, children first. Any thread may call.
  virtual bool Destroy(WindowHandle window) = 0;
  virtual bool IsWindow(WindowHandle window) = 0;

  // Attributes. Any thread.
  virtual std::wstring ClassName(WindowHandle window) = 0;
  virtual std::wstring Title(WindowHandle window) = 0;
  virtual bool SetTitle(WindowHandle window, const std::wstring& title) = 0;
  virtual std::uint32_t Style(WindowHandle window) = 0;
  virtual void SetStyle(WindowHandle window, std::uint32_t style) = 0;
  virtual std::uint32_t ExStyle(WindowHandle window) = 0;
  virtual void SetExStyle(WindowHandle window, std::uint32_t exStyle) = 0;
  virtual Rect WindowRect(WindowHandle window) = 0;  // screen coordinates
  virtual Rect ClientRect(WindowHandle window) = 0;  // origin 0,0
  virtual bool MoveWindow(WindowHandle window, const Rect& screenOrParentRect) = 0;
  virtual bool IsVisible(WindowHandle window) = 0;
  virtual bool Show(WindowHandle window, int command) = 0;
  virtual bool IsEnabled(WindowHandle window) = 0;
  virtual bool EnableWindow(WindowHandle window, bool enable) = 0;
  virtual bool IsIconic(WindowHandle window) = 0;
  virtual std::uint32_t ThreadOf(WindowHandle window) = 0;

  // Tree and z-order. Top-level windows are the desktop window's children.
  virtual WindowHandle DesktopWindow() = 0;
  virtual WindowHandle Parent(WindowHandle window) = 0;
  virtual WindowHandle FirstChild(WindowHandle window) = 0;   // topmost child
  virtual WindowHandle NextSibling(WindowHandle window) = 0;  // next lower in z-order
  virtual WindowHandle SetParent(WindowHandle window, WindowHandle parent) = 0;
  // Like FindWindowExW: searches the children of parent (0: top-level) after `after`.
  // Empty texts match anything.
  virtual WindowHandle FindWindow(WindowHandle parent, WindowHandle after,
                                  const std::wstring& className, const std::wstring& title) = 0;
  virtual bool BringToTop(WindowHandle window) = 0;

  // Focus and activation.
  virtual WindowHandle Foreground() = 0;
  virtual bool SetForeground(WindowHandle window) = 0;
  virtual WindowHandle ActiveWindow() = 0;  // active window of the calling thread
  virtual WindowHandle SetActiveWindow(WindowHandle window) = 0;
  virtual WindowHandle Focus() = 0;  // focus window of the calling thread
  virtual WindowHandle SetFocus(WindowHandle window) = 0;

  // Messages. Post from any thread; Send blocks until the owner thread has handled it.
  virtual bool Post(WindowHandle window, unsigned message, WParam wParam, LParam lParam) = 0;
  virtual LResult Send(WindowHandle window, unsigned message, WParam wParam, LParam lParam) = 0;
  virtual void PostQuit(int exitCode) = 0;  // to the calling thread's queue
  virtual LResult DefaultProc(WindowHandle window, unsigned message, WParam wParam,
                              LParam lParam) = 0;
  virtual bool SetTimer(WindowHandle window, unsigned id, unsigned periodMs) = 0;
  virtual bool KillTimer(WindowHandle window, unsigned id) = 0;
  // Runs the calling thread's message loop until EndModal is called for `window` or the
  // quit message arrives; returns the EndModal result, or -1 after a quit message (which is
  // posted again so that outer loops end too).
  virtual int RunModalLoop(WindowHandle window) = 0;
  virtual void EndModal(WindowHandle window, int result) = 0;
  // Dispatches whatever is waiting for the calling thread without blocking.
  virtual void PumpPending() = 0;
  // Registered message numbers ("TaskbarCreated"); the same name gives the same number.
  virtual unsigned RegisterMessage(const std::wstring& name) = 0;

  // A modal message box; its own message loop dispatches the thread's messages meanwhile.
  virtual int MessageBox(WindowHandle owner, const std::wstring& text, const std::wstring& caption,
                         unsigned style) = 0;

  // Window classes: registering a name twice in one process fails. RegisteredClass tells
  // what a class of this process was registered with (nothing when it is not registered).
  virtual bool RegisterClass(const WindowClass& windowClass) = 0;
  virtual bool UnregisterClass(const std::wstring& name) = 0;
  virtual std::optional<WindowClass> RegisteredClass(const std::wstring& name) = 0;
  // The dialog manager's keyboard handling (IsDialogMessage) of a message for `dialog` or
  // one of its children: true when it handled (and dispatched) the message itself.
  virtual bool DialogMessage(WindowHandle dialog, const ForwardedMessage& message) = 0;
  // Layered windows and regions. LayeredSupported is false on systems without
  // SetLayeredWindowAttributes. Flags: 1 colour key, 2 alpha.
  virtual bool LayeredSupported() = 0;
  virtual bool SetLayeredAttributes(WindowHandle window, std::uint32_t colorKey, int alpha,
                                    unsigned flags) = 0;
  // The window's region as rectangles in window coordinates; empty: no region.
  virtual bool SetRegion(WindowHandle window, const std::vector<Rect>& region) = 0;
  // The picture a window shows at its top left corner: the backend keeps a copy and paints
  // it when the handler leaves WM_ERASEBKGND and WM_PAINT to DefaultProc. Null removes it.
  virtual bool SetPicture(WindowHandle window, const Bitmap* picture) = 0;

  // Painting. Redraw is RedrawWindow (rdw flags): with UpdateNow the handler gets
  // WM_ERASEBKGND and WM_PAINT before it returns. PaintText draws while the window's
  // handler runs WM_PAINT (the backend begins and ends the paint around the handler).
  virtual bool Redraw(WindowHandle window, unsigned flags) = 0;
  virtual bool PaintText(WindowHandle window, const TextPaint& text) = 0;
  // SetWindowPos with the swp flags; insertAfter 0 is the top, InsertTopmost topmost.
  virtual bool SetWindowPos(WindowHandle window, WindowHandle insertAfter, const Rect& rect,
                            unsigned flags) = 0;
  // Shows a system cursor (IDC_* number) while the mouse is over the calling thread's window.
  virtual void SetCursor(unsigned systemCursorId) = 0;
  // TrackMouseEvent: asks for WM_MOUSEHOVER (after hoverMs at rest) and/or WM_MOUSELEAVE
  // (tme flags) once each.
  virtual bool TrackMouse(WindowHandle window, unsigned flags, unsigned hoverMs) = 0;
  // Whether the system animates minimising (SPI_GETANIMATION), and the caption zoom from
  // one screen rectangle to another (DrawAnimatedRects with IDANI_CAPTION).
  virtual bool MinimizeAnimation() = 0;
  virtual bool ZoomRects(WindowHandle window, const Rect& from, const Rect& to) = 0;

  // Menus: shows `menu` at the point and returns the chosen command id, or 0.
  virtual unsigned TrackPopupMenu(const Menu& menu, unsigned flags, Point at,
                                  WindowHandle owner) = 0;
  virtual Point CursorPos() = 0;
  virtual bool KeyDown(int virtualKey) = 0;  // GetKeyState high bit
  virtual Rect ScreenRect() = 0;             // the primary screen
  virtual Rect WorkArea() = 0;               // the screen less the taskbar
};

}  // namespace zq
