// Windows and dialogs with handler objects: creation, the window and dialog procedures that
// route every message to the handler, default processing, window classes and pictures.
#include "platform/win32/win32_window.h"

#include <vector>

#include "platform/win32/win32_web_site.h"

namespace zq::win32 {

namespace {

constexpr wchar_t kRecordProperty[] = L"ZqWindowRecord";
constexpr unsigned kControllerTemplate = 102;

// The messages being handled on this thread, innermost last.
thread_local std::vector<Frame> tFrames;

// Asks a window's own thread to destroy it: DestroyWindow works only there.
UINT DestroyRequest() {
  static const UINT id = ::RegisterWindowMessageW(L"ZqDestroyWindowRequest");
  return id;
}

void Attach(HWND window, WindowRecord* record) { ::SetPropW(window, kRecordProperty, record); }

void Detach(HWND window, WindowRecord* record) {
  ::RemovePropW(window, kRecordProperty);
  if (record->ownedByWindow) delete record;
}

struct FrameScope {
  FrameScope(HWND window, UINT message, LPARAM portable, LPARAM system) {
    tFrames.push_back(Frame{window, message, portable, system, false});
  }
  ~FrameScope() { tFrames.pop_back(); }
  bool Defaulted() const { return tFrames.back().defaulted; }
};

WindowPos FromSystem(const WINDOWPOS& s) {
  return WindowPos{FromHwnd(s.hwnd), FromHwnd(s.hwndInsertAfter), s.x, s.y, s.cx, s.cy, s.flags};
}

void ToSystem(const WindowPos& p, WINDOWPOS& s) {
  s.hwndInsertAfter = ToHwnd(p.insertAfter);
  s.x = p.x;
  s.y = p.y;
  s.cx = p.cx;
  s.cy = p.cy;
  s.flags = p.flags;
}

bool IsWindowPosMessage(UINT message) {
  return message == WM_WINDOWPOSCHANGING || message == WM_WINDOWPOSCHANGED;
}

// Calls the handler with the portable form of the message's parameter: the creation
// record for WM_NCCREATE and WM_CREATE, the portable position record for the two
// position messages. Exceptions stop here: none may cross the system's procedure.
LRESULT Route(WindowRecord& record, HWND window, UINT message, WPARAM wParam, LPARAM lParam,
              bool& defaulted) {
  LPARAM portable = lParam;
  WindowPos pos;
  WINDOWPOS* sys = nullptr;
  if ((message == WM_NCCREATE || message == WM_CREATE) && record.creating) {
    portable = reinterpret_cast<LPARAM>(record.creating);
  } else if (IsWindowPosMessage(message) && lParam) {
    sys = reinterpret_cast<WINDOWPOS*>(lParam);
    pos = FromSystem(*sys);
    portable = reinterpret_cast<LPARAM>(&pos);
  }
  FrameScope frame(window, message, portable, lParam);
  LRESULT result = 0;
  try {
    if (message == WM_PAINT && !record.dialog && !record.systemProc) {
      // The paint is begun and ended around the handler, which draws through the seam.
      PaintScope paint(window);
      record.paintDc = paint.dc();
      struct Clear {
        HDC& dc;
        ~Clear() { dc = nullptr; }
      } clear{record.paintDc};
      result = record.handler->OnMessage(FromHwnd(window), message, wParam, portable);
    } else {
      result = record.handler->OnMessage(FromHwnd(window), message, wParam, portable);
    }
  } catch (...) {
    result = 0;
  }
  if (sys) ToSystem(pos, *sys);
  defaulted = frame.Defaulted();
  return result;
}

// Messages whose dialog-procedure result is the message's result itself.
bool DirectDialogResult(UINT message) {
  switch (message) {
    case WM_INITDIALOG:
    case WM_QUERYDRAGICON:
    case WM_COMPAREITEM:
    case WM_VKEYTOITEM:
    case WM_CHARTOITEM:
    case WM_CTLCOLORMSGBOX:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSCROLLBAR:
    case WM_CTLCOLORSTATIC:
      return true;
    default:
      return false;
  }
}

// The innermost frame for this message as the handler saw it, if any.
Frame* FindFrame(HWND window, UINT message, LPARAM portable) {
  for (auto it = tFrames.rbegin(); it != tFrames.rend(); ++it)
    if (it->window == window && it->message == message && it->portable == portable) return &*it;
  return nullptr;
}

// The system's record of a forwarded message, with the time and place of the last one.
MSG ToMsg(const ForwardedMessage& m) {
  MSG msg{
      ToHwnd(m.window), m.message, m.wParam, m.lParam, static_cast<DWORD>(::GetMessageTime()), {}};
  DWORD pos = ::GetMessagePos();
  msg.pt = POINT{static_cast<short>(LOWORD(pos)), static_cast<short>(HIWORD(pos))};
  return msg;
}

// A window hosting a web control offers a forwarded key to the control's accelerator
// handling; nonzero when the control consumed it.
LRESULT ForwardToControl(HWND host, LPARAM lParam) {
  WebSite* site = SiteOfHost(host);
  const auto& forwarded = *reinterpret_cast<const ForwardedMessage*>(lParam);
  if (!site || forwarded.message < WM_KEYFIRST || forwarded.message > WM_KEYLAST) return 0;
  MSG msg = ToMsg(forwarded);
  return site->TranslateKey(msg) ? 1 : 0;
}

}  // namespace

WindowRecord* RecordOf(HWND window) {
  return static_cast<WindowRecord*>(::GetPropW(window, kRecordProperty));
}

void PaintPicture(HDC dc, const WindowRecord& record) {
  UniqueMemoryDc memory(::CreateCompatibleDC(dc));
  if (!memory) return;
  SelectGuard select(memory.get(), record.picture.get());
  ::BitBlt(dc, 0, 0, record.pictureWidth, record.pictureHeight, memory.get(), 0, 0, SRCCOPY);
}

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  WindowRecord* record = RecordOf(window);
  if (!record && message == WM_NCCREATE) {
    record = static_cast<WindowRecord*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
    if (record) Attach(window, record);
  }
  if (!record || !record->handler) return ::DefWindowProcW(window, message, wParam, lParam);
  if (message == DestroyRequest() && message != 0) {
    ::DestroyWindow(window);
    return 0;
  }
  bool defaulted = false;
  LRESULT result = Route(*record, window, message, wParam, lParam, defaulted);
  if (message == WM_NCDESTROY) Detach(window, record);
  return result;
}

INT_PTR CALLBACK DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  WindowRecord* record = RecordOf(window);
  if (!record) {
    // The dialog manager's own WM_INITDIALOG links the record. The handler is not told:
    // its owner sends it WM_INITDIALOG itself once the window exists.
    if (message == WM_INITDIALOG && lParam) Attach(window, reinterpret_cast<WindowRecord*>(lParam));
    return FALSE;
  }
  if (message == DestroyRequest() && message != 0) {
    ::DestroyWindow(window);
    return TRUE;
  }
  bool defaulted = false;
  LRESULT result = Route(*record, window, message, wParam, lParam, defaulted);
  if (message == WM_NCDESTROY) Detach(window, record);
  if (defaulted) return FALSE;  // the dialog manager's default processing follows
  if (DirectDialogResult(message)) return static_cast<INT_PTR>(result);
  ::SetWindowLongPtrW(window, DWLP_MSGRESULT, result);
  return TRUE;
}

Win32Windows::Win32Windows(HINSTANCE module) : module_(module) {}

std::unique_ptr<Windows> NewWindows(HINSTANCE module) {
  return std::make_unique<Win32Windows>(module);
}

bool Win32Windows::EnsureOwnClass(const std::wstring& name) {
  CsGuard lock(classLock_);
  WNDCLASSEXW existing{};
  existing.cbSize = sizeof existing;
  if (::GetClassInfoExW(module_, name.c_str(), &existing))
    return existing.lpfnWndProc == WindowProc;
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof wc;
  wc.style = CS_DBLCLKS;
  wc.lpfnWndProc = WindowProc;
  wc.hInstance = module_;
  wc.hCursor = ::LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));  // IDC_ARROW
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
  wc.lpszClassName = name.c_str();
  return ::RegisterClassExW(&wc) != 0 || ::GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

// Registered exactly as described: styles, cursor, brush, extra bytes and icon.
bool Win32Windows::RegisterClass(const WindowClass& windowClass) {
  const WindowClass& c = windowClass;
  CsGuard lock(classLock_);
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof wc;
  wc.style = c.style;
  wc.lpfnWndProc = WindowProc;
  wc.cbWndExtra = c.extraBytes;
  wc.hInstance = module_;
  if (c.iconId) wc.hIcon = ::LoadIconW(module_, MAKEINTRESOURCEW(c.iconId));
  if (c.cursor) wc.hCursor = ::LoadCursorW(nullptr, MAKEINTRESOURCEW(c.cursor));
  if (c.brush == WindowClass::Brush::SystemColor)
    wc.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(c.brushIndex) + 1);
  else if (c.brush == WindowClass::Brush::Stock)
    wc.hbrBackground = static_cast<HBRUSH>(::GetStockObject(c.brushIndex));
  wc.lpszClassName = c.name.c_str();
  if (::RegisterClassExW(&wc) != 0) return true;
  TraceLastError("RegisterClassExW");
  return false;
}

// The description read back from the system: cursors and brushes are the system's shared
// objects, recognised by handle.
std::optional<WindowClass> Win32Windows::RegisteredClass(const std::wstring& name) {
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof wc;
  if (!::GetClassInfoExW(module_, name.c_str(), &wc)) return std::nullopt;
  WindowClass c;
  c.name = name;
  c.style = wc.style;
  c.extraBytes = wc.cbWndExtra;
  for (unsigned id : {WindowClass::ArrowCursor, WindowClass::AppStartingCursor, 32649u /* hand */})
    if (wc.hCursor && wc.hCursor == ::LoadCursorW(nullptr, MAKEINTRESOURCEW(id))) c.cursor = id;
  auto brush = reinterpret_cast<INT_PTR>(wc.hbrBackground);
  if (brush > 0 && brush <= COLOR_MENUBAR + 1) {
    c.brush = WindowClass::Brush::SystemColor;
    c.brushIndex = static_cast<int>(brush - 1);
  }
  for (int stock = WHITE_BRUSH; stock <= NULL_BRUSH; ++stock) {
    if (brush && wc.hbrBackground == ::GetStockObject(stock)) {
      c.brush = WindowClass::Brush::Stock;
      c.brushIndex = stock;
    }
  }
  return c;
}

bool Win32Windows::DialogMessage(WindowHandle dialog, const ForwardedMessage& message) {
  MSG msg = ToMsg(message);
  return ::IsDialogMessageW(ToHwnd(dialog), &msg) != 0;
}

bool Win32Windows::UnregisterClass(const std::wstring& name) {
  CsGuard lock(classLock_);
  return ::UnregisterClassW(name.c_str(), module_) != 0;
}

WindowHandle Win32Windows::Create(const WindowSpec& desc) {
  if (!desc.handler) return 0;
  if (desc.className == L"#32770") return CreateDialogWindow(desc);
  if (!EnsureOwnClass(desc.className)) return CreateSubclassed(desc);
  auto record = std::make_unique<WindowRecord>();
  record->handler = desc.handler;
  record->creating = &desc;
  const Rect& r = desc.rect;
  HWND window = ::CreateWindowExW(desc.exStyle, desc.className.c_str(), desc.title.c_str(),
                                  desc.style, r.left, r.top, r.Width(), r.Height(),
                                  ToHwnd(desc.parent), nullptr, module_, record.get());
  if (!window) {
    TraceLastError("CreateWindowExW");
    return 0;
  }
  record->creating = nullptr;
  record->ownedByWindow = true;
  record.release();  // NOLINT(bugprone-unused-return-value): the window owns it now
  return FromHwnd(window);
}

WindowHandle Win32Windows::CreateDialogWindow(const WindowSpec& desc) {
  auto record = std::make_unique<WindowRecord>();
  record->handler = desc.handler;
  record->dialog = true;
  unsigned templateId =
      desc.createParam ? static_cast<unsigned>(desc.createParam) : kControllerTemplate;
  HWND window = ::CreateDialogParamW(module_, MAKEINTRESOURCEW(templateId), ToHwnd(desc.parent),
                                     DialogProc, reinterpret_cast<LPARAM>(record.get()));
  if (!window) return 0;
  record->ownedByWindow = true;
  record.release();  // NOLINT(bugprone-unused-return-value): the window owns it now
  if (!desc.title.empty()) ::SetWindowTextW(window, desc.title.c_str());
  return FromHwnd(window);
}

// A window of a class the backend did not register: created as it is, then subclassed so
// that the handler sees every message from then on.
WindowHandle Win32Windows::CreateSubclassed(const WindowSpec& desc) {
  const Rect& r = desc.rect;
  HWND window = ::CreateWindowExW(desc.exStyle, desc.className.c_str(), desc.title.c_str(),
                                  desc.style, r.left, r.top, r.Width(), r.Height(),
                                  ToHwnd(desc.parent), nullptr, module_, nullptr);
  if (!window) return 0;
  auto* record = new WindowRecord();
  record->handler = desc.handler;
  record->ownedByWindow = true;
  Attach(window, record);
  record->systemProc = reinterpret_cast<WNDPROC>(
      ::SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&WindowProc)));
  return FromHwnd(window);
}

bool Win32Windows::Destroy(WindowHandle window) {
  HWND h = ToHwnd(window);
  if (!::IsWindow(h)) return false;
  if (::GetWindowThreadProcessId(h, nullptr) == ::GetCurrentThreadId())
    return ::DestroyWindow(h) != 0;
  ::SendMessageW(h, DestroyRequest(), 0, 0);
  return !::IsWindow(h);
}

LResult Win32Windows::DefaultProc(WindowHandle window, unsigned message, WParam wParam,
                                  LParam lParam) {
  HWND h = ToHwnd(window);
  WindowRecord* record = RecordOf(h);
  if (record && record->picture) {
    if (message == WM_ERASEBKGND) {
      PaintPicture(reinterpret_cast<HDC>(wParam), *record);
      return 1;
    }
    if (message == WM_PAINT && record->paintDc) {
      PaintPicture(record->paintDc, *record);
      return 0;
    }
  }
  if (message == WM_PAINT && record && record->paintDc) return 0;  // begun around the handler
  if (message == wm::ForwardMsg && lParam) return ForwardToControl(h, lParam);
  Frame* frame = FindFrame(h, message, lParam);
  if (record && record->dialog && frame) {
    frame->defaulted = true;
    return 0;
  }
  LPARAM system = frame ? frame->system : lParam;
  if (frame && IsWindowPosMessage(message) && system && lParam)
    ToSystem(*reinterpret_cast<const WindowPos*>(lParam), *reinterpret_cast<WINDOWPOS*>(system));
  LRESULT result = (record && record->systemProc)
                       ? ::CallWindowProcW(record->systemProc, h, message, wParam, system)
                       : ::DefWindowProcW(h, message, wParam, system);
  if (frame && IsWindowPosMessage(message) && system && lParam)
    *reinterpret_cast<WindowPos*>(lParam) = FromSystem(*reinterpret_cast<WINDOWPOS*>(system));
  return result;
}

}  // namespace zq::win32
