// Windows seen from outside: attributes, the tree and z-order, focus and activation,
// messages and timers, the modal loop, message boxes, popup menus and the screen.
#include "platform/win32/win32_web_site.h"
#include "platform/win32/win32_window.h"

namespace zq::win32 {

namespace {

Rect FromRect(const RECT& r) { return Rect{r.left, r.top, r.right, r.bottom}; }

const wchar_t* OrNull(const std::wstring& text) { return text.empty() ? nullptr : text.c_str(); }

// One window's pre-translation of the message: only windows of this thread with a handler.
bool PreTranslateAt(HWND window, const MSG& msg) {
  if (::GetWindowThreadProcessId(window, nullptr) != ::GetCurrentThreadId()) return false;
  WindowRecord* record = RecordOf(window);
  if (!record || !record->handler) return false;
  try {
    return record->handler->PreTranslate(FromHwnd(msg.hwnd), msg.message, msg.wParam, msg.lParam);
  } catch (...) {
    return false;
  }
}

// Like the framework's loop: the message's window and then its parents (owners for
// pop-ups) are offered the message nearest first, up to the modal window, which is offered
// it last when it was not among them. True when one of them swallowed it.
bool PreTranslateChain(HWND modal, const MSG& msg) {
  for (HWND h = msg.hwnd; h && ::IsWindow(h);) {
    if (PreTranslateAt(h, msg)) return true;
    if (h == modal) return false;
    h = (::GetWindowLongW(h, GWL_STYLE) & WS_CHILD) ? ::GetAncestor(h, GA_PARENT)
                                                    : ::GetWindow(h, GW_OWNER);
  }
  return ::IsWindow(modal) && PreTranslateAt(modal, msg);
}

}  // namespace

bool Win32Windows::IsWindow(WindowHandle window) {
  return window != 0 && ::IsWindow(ToHwnd(window));
}

std::wstring Win32Windows::ClassName(WindowHandle window) {
  wchar_t name[257] = {};
  int n = ::GetClassNameW(ToHwnd(window), name, 257);
  return std::wstring(name, n > 0 ? static_cast<size_t>(n) : 0);
}

std::wstring Win32Windows::Title(WindowHandle window) {
  HWND h = ToHwnd(window);
  int length = ::GetWindowTextLengthW(h);
  if (length <= 0) return std::wstring();
  std::wstring text(static_cast<size_t>(length) + 1, L'\0');
  int n = ::GetWindowTextW(h, text.data(), length + 1);
  text.resize(n > 0 ? static_cast<size_t>(n) : 0);
  return text;
}

bool Win32Windows::SetTitle(WindowHandle window, const std::wstring& title) {
  return ::SetWindowTextW(ToHwnd(window), title.c_str()) != 0;
}

std::uint32_t Win32Windows::Style(WindowHandle window) {
  return static_cast<std::uint32_t>(::GetWindowLongW(ToHwnd(window), GWL_STYLE));
}

void Win32Windows::SetStyle(WindowHandle window, std::uint32_t style) {
  ::SetWindowLongW(ToHwnd(window), GWL_STYLE, static_cast<LONG>(style));
}

std::uint32_t Win32Windows::ExStyle(WindowHandle window) {
  return static_cast<std::uint32_t>(::GetWindowLongW(ToHwnd(window), GWL_EXSTYLE));
}

void Win32Windows::SetExStyle(WindowHandle window, std::uint32_t exStyle) {
  ::SetWindowLongW(ToHwnd(window), GWL_EXSTYLE, static_cast<LONG>(exStyle));
}

Rect Win32Windows::WindowRect(WindowHandle window) {
  RECT r{};
  if (!::GetWindowRect(ToHwnd(window), &r)) return Rect{};
  return FromRect(r);
}

Rect Win32Windows::ClientRect(WindowHandle window) {
  RECT r{};
  if (!::GetClientRect(ToHwnd(window), &r)) return Rect{};
  return FromRect(r);
}

// A hosted web control is placed through its in-place object, which moves its window and
// keeps the control's own idea of its rectangle right.
bool Win32Windows::MoveWindow(WindowHandle window, const Rect& rect) {
  HWND h = ToHwnd(window);
  if (WebSite* site = HostedSite(h)) {
    if (site->Place(RECT{rect.left, rect.top, rect.right, rect.bottom})) return true;
  }
  return ::MoveWindow(h, rect.left, rect.top, rect.Width(), rect.Height(), TRUE) != 0;
}

bool Win32Windows::IsVisible(WindowHandle window) { return ::IsWindowVisible(ToHwnd(window)) != 0; }

// Shows or hides; a window that becomes visible paints at once, so that a thread that
// shows a picture and then sleeps without dispatching messages still shows it.
bool Win32Windows::Show(WindowHandle window, int command) {
  HWND h = ToHwnd(window);
  bool was = ::ShowWindow(h, command) != 0;
  if (command != SW_HIDE && ::IsWindowVisible(h)) ::UpdateWindow(h);
  return was;
}

bool Win32Windows::IsEnabled(WindowHandle window) { return ::IsWindowEnabled(ToHwnd(window)) != 0; }

bool Win32Windows::EnableWindow(WindowHandle window, bool enable) {
  return ::EnableWindow(ToHwnd(window), enable ? TRUE : FALSE) != 0;
}

bool Win32Windows::IsIconic(WindowHandle window) { return ::IsIconic(ToHwnd(window)) != 0; }

std::uint32_t Win32Windows::ThreadOf(WindowHandle window) {
  return ::GetWindowThreadProcessId(ToHwnd(window), nullptr);
}

WindowHandle Win32Windows::DesktopWindow() { return FromHwnd(::GetDesktopWindow()); }

// A child's parent, a popup's owner (like GetParent).
WindowHandle Win32Windows::Parent(WindowHandle window) {
  HWND h = ToHwnd(window);
  if (!::IsWindow(h)) return 0;
  if (::GetWindowLongW(h, GWL_STYLE) & WS_CHILD) return FromHwnd(::GetAncestor(h, GA_PARENT));
  return FromHwnd(::GetWindow(h, GW_OWNER));
}

WindowHandle Win32Windows::FirstChild(WindowHandle window) {
  HWND parent = window ? ToHwnd(window) : ::GetDesktopWindow();
  return FromHwnd(::GetWindow(parent, GW_CHILD));
}

WindowHandle Win32Windows::NextSibling(WindowHandle window) {
  return FromHwnd(::GetWindow(ToHwnd(window), GW_HWNDNEXT));
}

WindowHandle Win32Windows::SetParent(WindowHandle window, WindowHandle parent) {
  return FromHwnd(::SetParent(ToHwnd(window), ToHwnd(parent)));
}

WindowHandle Win32Windows::FindWindow(WindowHandle parent, WindowHandle after,
                                      const std::wstring& className, const std::wstring& title) {
  return FromHwnd(::FindWindowExW(ToHwnd(parent), ToHwnd(after), OrNull(className), OrNull(title)));
}

bool Win32Windows::BringToTop(WindowHandle window) {
  return ::BringWindowToTop(ToHwnd(window)) != 0;
}

WindowHandle Win32Windows::Foreground() { return FromHwnd(::GetForegroundWindow()); }

bool Win32Windows::SetForeground(WindowHandle window) {
  return ::SetForegroundWindow(ToHwnd(window)) != 0;
}

WindowHandle Win32Windows::ActiveWindow() { return FromHwnd(::GetActiveWindow()); }

WindowHandle Win32Windows::SetActiveWindow(WindowHandle window) {
  return FromHwnd(::SetActiveWindow(ToHwnd(window)));
}

WindowHandle Win32Windows::Focus() { return FromHwnd(::GetFocus()); }

WindowHandle Win32Windows::SetFocus(WindowHandle window) {
  return FromHwnd(::SetFocus(ToHwnd(window)));
}

bool Win32Windows::Post(WindowHandle window, unsigned message, WParam wParam, LParam lParam) {
  return ::PostMessageW(ToHwnd(window), message, wParam, lParam) != 0;
}

LResult Win32Windows::Send(WindowHandle window, unsigned message, WParam wParam, LParam lParam) {
  return ::SendMessageW(ToHwnd(window), message, wParam, lParam);
}

void Win32Windows::PostQuit(int exitCode) { ::PostQuitMessage(exitCode); }

bool Win32Windows::SetTimer(WindowHandle window, unsigned id, unsigned periodMs) {
  return ::SetTimer(ToHwnd(window), id, periodMs, nullptr) != 0;
}

bool Win32Windows::KillTimer(WindowHandle window, unsigned id) {
  return ::KillTimer(ToHwnd(window), id) != 0;
}

// The thread's message loop for a modal window: the pre-translation chain sees each message
// first (PreTranslate), then a dialog's keyboard handling, then the usual dispatch. Ends
// with EndModal's result, or -1 on the quit message, which is posted again so that outer
// loops end too.
int Win32Windows::RunModalLoop(WindowHandle window) {
  HWND modal = ToHwnd(window);
  if (WindowRecord* record = RecordOf(modal)) record->modalEnded = false;
  for (;;) {
    if (!::IsWindow(modal)) return -1;
    WindowRecord* record = RecordOf(modal);
    if (record && record->modalEnded) return record->modalResult;
    MSG msg{};
    BOOL got = ::GetMessageW(&msg, nullptr, 0, 0);
    if (got == -1) return -1;
    if (got == 0) {
      ::PostQuitMessage(static_cast<int>(msg.wParam));
      return -1;
    }
    if (PreTranslateChain(modal, msg)) continue;
    record = ::IsWindow(modal) ? RecordOf(modal) : nullptr;
    if (record && record->dialog && ::IsDialogMessageW(modal, &msg)) continue;
    ::TranslateMessage(&msg);
    ::DispatchMessageW(&msg);
  }
}

void Win32Windows::EndModal(WindowHandle window, int result) {
  HWND h = ToHwnd(window);
  WindowRecord* record = RecordOf(h);
  if (!record) return;
  record->modalResult = result;
  record->modalEnded = true;
  ::PostMessageW(h, WM_NULL, 0, 0);  // wakes the loop
}

void Win32Windows::PumpPending() {
  MSG msg{};
  while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (msg.message == WM_QUIT) {
      ::PostQuitMessage(static_cast<int>(msg.wParam));
      return;
    }
    ::TranslateMessage(&msg);
    ::DispatchMessageW(&msg);
  }
}

unsigned Win32Windows::RegisterMessage(const std::wstring& name) {
  return ::RegisterWindowMessageW(name.c_str());
}

int Win32Windows::MessageBox(WindowHandle owner, const std::wstring& text,
                             const std::wstring& caption, unsigned style) {
  return ::MessageBoxW(ToHwnd(owner), text.c_str(), caption.c_str(), style);
}

// Shows the items as a popup menu. The choice is returned; unless the caller asked for the
// command alone (TPM_RETURNCMD), it also reaches the owner as WM_COMMAND, as the system's
// own menu would send it.
unsigned Win32Windows::TrackPopupMenu(const Menu& menu, unsigned flags, Point at,
                                      WindowHandle owner) {
  UniqueMenu popup = BuildPopupMenu(menu);
  if (!popup) return 0;
  HWND target = ToHwnd(owner);
  auto choice = static_cast<unsigned>(
      ::TrackPopupMenu(popup.get(), flags | TPM_RETURNCMD, at.x, at.y, 0, target, nullptr));
  if (choice != 0 && !(flags & TPM_RETURNCMD)) ::PostMessageW(target, WM_COMMAND, choice, 0);
  return choice;
}

Point Win32Windows::CursorPos() {
  POINT p{};
  ::GetCursorPos(&p);
  return Point{p.x, p.y};
}

bool Win32Windows::KeyDown(int virtualKey) { return ::GetKeyState(virtualKey) < 0; }

Rect Win32Windows::ScreenRect() {
  return Rect{0, 0, ::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN)};
}

Rect Win32Windows::WorkArea() {
  RECT r{};
  if (!::SystemParametersInfoW(SPI_GETWORKAREA, 0, &r, 0)) return ScreenRect();
  return FromRect(r);
}

}  // namespace zq::win32
