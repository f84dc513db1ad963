// Observing and driving the desktop and the client from the end-to-end tests' own process,
// and the list of tests that the driver runs.
#include "tests/wine/e2e_checks.h"

#include <shellapi.h>

#include <algorithm>
#include <cstdio>
#include <fstream>

#include "platform/win32/win32_backend.h"

namespace zq::e2e {

std::string Hex(unsigned long value) {
  char text[16];
  std::snprintf(text, sizeof text, "%08lx", value);
  return text;
}

std::wstring ClassOf(HWND window) {
  wchar_t name[256] = {};
  int n = ::GetClassNameW(window, name, 256);
  return std::wstring(name, n > 0 ? n : 0);
}

std::wstring TitleOf(HWND window) {
  wchar_t text[1024] = {};
  int n = ::GetWindowTextW(window, text, 1024);
  return std::wstring(text, n > 0 ? n : 0);
}

namespace {

std::map<std::string, TestBody>& Registry() {
  static std::map<std::string, TestBody> tests;
  return tests;
}

std::wstring PreparedConfig(const std::wstring& exe, const char* lines) {
  const std::wstring path = ConfigOf(exe);
  if (!lines)
    ::DeleteFileW(path.c_str());
  else
    Check(WriteAnsiFile(path, std::string("[General]\r\n") + lines),
          "the configuration file is written");
  return path;
}

BOOL CALLBACK CollectText(HWND child, LPARAM text) {
  if (ClassOf(child) == L"Static") *reinterpret_cast<std::wstring*>(text) += TitleOf(child);
  return TRUE;
}

// The pixels of a screen rectangle, or of a picture drawn into one, as 0x00RRGGBB values.
class Pixels {
 public:
  Pixels(int width, int height) : width_(width), height_(height) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;  // top row first
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    dc_ = ::CreateCompatibleDC(nullptr);
    bitmap_ = ::CreateDIBSection(dc_, &info, DIB_RGB_COLORS, reinterpret_cast<void**>(&bits_),
                                 nullptr, 0);
    old_ = ::SelectObject(dc_, bitmap_);
  }
  ~Pixels() {
    ::SelectObject(dc_, old_);
    ::DeleteObject(bitmap_);
    ::DeleteDC(dc_);
  }
  Pixels(const Pixels&) = delete;
  Pixels& operator=(const Pixels&) = delete;
  bool Valid() const { return bits_ != nullptr; }
  HDC Dc() const { return dc_; }
  bool CopyScreen(int x, int y) {
    HDC screen = ::GetDC(nullptr);
    bool copied = Valid() && ::BitBlt(dc_, 0, 0, width_, height_, screen, x, y, SRCCOPY);
    ::ReleaseDC(nullptr, screen);
    ::GdiFlush();
    return copied;
  }
  bool Save(const std::wstring& path) const {
    BITMAPINFOHEADER info{sizeof info, width_, -height_, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    const DWORD bytes = static_cast<DWORD>(width_ * height_ * 4);
    BITMAPFILEHEADER file{0x4D42, 0, 0, 0, sizeof file + sizeof info};  // "BM"
    file.bfSize = file.bfOffBits + bytes;
    std::ofstream out(Narrow(path), std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(&file), sizeof file);
    out.write(reinterpret_cast<const char*>(&info), sizeof info);
    out.write(reinterpret_cast<const char*>(bits_), bytes);
    return static_cast<bool>(out);
  }
  DWORD At(int x, int y) const { return bits_[y * width_ + x] & 0xFFFFFF; }
  void Fill(DWORD rgb) {
    ::GdiFlush();
    for (int i = 0; i < width_ * height_; ++i) bits_[i] = rgb;
  }
  // The sum of the channel differences, per pixel.
  double Difference(const Pixels& other) const {
    ::GdiFlush();
    double sum = 0;
    for (int i = 0; i < width_ * height_; ++i)
      for (int shift = 0; shift < 24; shift += 8) {
        int a = (bits_[i] >> shift) & 0xFF, b = (other.bits_[i] >> shift) & 0xFF;
        sum += a > b ? a - b : b - a;
      }
    return sum / (width_ * height_);
  }

 private:
  int width_, height_;
  HDC dc_ = nullptr;
  HBITMAP bitmap_ = nullptr;
  HGDIOBJ old_ = nullptr;
  DWORD* bits_ = nullptr;
};

}  // namespace

bool WaitFor(const std::function<bool()>& done, DWORD ms, DWORD step) {
  for (DWORD start = ::GetTickCount(); !done(); ::Sleep(step))
    if (::GetTickCount() - start > ms) return false;
  return true;
}

HWND WaitWindow(DWORD pid, const std::wstring& className, const std::wstring& title, DWORD ms,
                const std::function<bool(HWND)>& also) {
  struct Search {
    DWORD pid;
    const std::wstring &className, &title;
    const std::function<bool(HWND)>& also;
    HWND found = nullptr;
  } search{pid, className, title, also};
  auto visit = [](HWND window, LPARAM data) -> BOOL {
    auto& s = *reinterpret_cast<Search*>(data);
    DWORD pid = 0;
    ::GetWindowThreadProcessId(window, &pid);
    if (pid == s.pid && (s.className.empty() || ClassOf(window) == s.className) &&
        (s.title.empty() || TitleOf(window) == s.title) && (!s.also || s.also(window)))
      s.found = window;
    return s.found == nullptr;
  };
  WaitFor(
      [&] {
        ::EnumWindows(visit, reinterpret_cast<LPARAM>(&search));
        return search.found != nullptr;
      },
      ms);
  return search.found;
}

std::wstring BoxText(HWND box) {
  std::wstring text;
  ::EnumChildWindows(box, CollectText, reinterpret_cast<LPARAM>(&text));
  return text;
}

bool ShellKnowsIcon(HWND window, UINT id) {
  NOTIFYICONDATAW record{};
  record.cbSize = NOTIFYICONDATAW_V1_SIZE;
  record.hWnd = window;
  record.uID = id;
  return ::Shell_NotifyIconW(NIM_MODIFY, &record) != FALSE;
}

std::wstring IniValue(const std::wstring& path, const std::wstring& key) {
  wchar_t value[1024] = {};
  ::GetPrivateProfileStringW(L"General", key.c_str(), L"", value, 1024, path.c_str());
  return value;
}

bool WriteAnsiFile(const std::wstring& path, const std::string& bytes) {
  std::ofstream f(Narrow(path), std::ios::binary | std::ios::trunc);
  f << bytes;
  return static_cast<bool>(f);
}

std::optional<std::wstring> RegistryValue(const std::wstring& root, const std::wstring& subKey,
                                          const std::wstring& name) {
  HKEY base = root == L"HKLM"   ? HKEY_LOCAL_MACHINE
              : root == L"HKCR" ? HKEY_CLASSES_ROOT
                                : HKEY_CURRENT_USER;
  wchar_t value[2048] = {};
  DWORD bytes = sizeof value - sizeof(wchar_t);
  if (::RegGetValueW(base, subKey.c_str(), name.c_str(), RRF_RT_REG_SZ, nullptr, value, &bytes) !=
      ERROR_SUCCESS)
    return std::nullopt;
  return std::wstring(value);
}

std::string Narrow(const std::wstring& text) {
  int n = ::WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), nullptr, 0,
                                nullptr, nullptr);
  std::string out(n > 0 ? n : 0, '\0');
  ::WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), out.data(), n,
                        nullptr, nullptr);
  return out;
}

HWND FindDescendant(HWND parent, const std::wstring& className) {
  for (HWND child = ::GetWindow(parent, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT)) {
    if (ClassOf(child) == className) return child;
    if (HWND below = FindDescendant(child, className)) return below;
  }
  return nullptr;
}

HWND WaitDescendant(HWND parent, const std::wstring& className, DWORD ms) {
  HWND found = nullptr;
  WaitFor([&] { return (found = FindDescendant(parent, className)) != nullptr; }, ms);
  return found;
}

std::wstring ControlText(HWND control, DWORD ms) {
  std::wstring text(1 << 16, L'\0');  // more than a status box gathers in a test
  DWORD_PTR copied = 0;
  if (!::SendMessageTimeoutW(control, WM_GETTEXT, text.size(),
                             reinterpret_cast<LPARAM>(text.data()), SMTO_ABORTIFHUNG, ms, &copied))
    return L"";
  text.resize(std::min<size_t>(copied, text.size() - 1));
  return text;
}

std::string ReadAll(const std::wstring& path) {
  HANDLE in = ::CreateFileW(path.c_str(), GENERIC_READ,
                            FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                            OPEN_EXISTING, 0, nullptr);
  if (in == INVALID_HANDLE_VALUE) return std::string();
  std::string bytes;
  char buffer[65536];
  DWORD got = 0;
  while (::ReadFile(in, buffer, sizeof buffer, &got, nullptr) && got > 0) bytes.append(buffer, got);
  ::CloseHandle(in);
  return bytes;
}

TrayPictureMatch ShownTrayPicture(const std::wstring& exe, const std::vector<int>& iconIds) {
  TrayPictureMatch match;
  HWND tray = ::FindWindowW(L"__winex11_standalone_tray", nullptr);
  HWND icon = tray ? ::FindWindowExW(tray, nullptr, L"__winex11_tray_icon", nullptr) : nullptr;
  RECT r{};
  if (!icon || !::GetWindowRect(icon, &r)) return match;
  const int width = r.right - r.left, height = r.bottom - r.top;
  Pixels shown(width, height);
  bool captured = shown.CopyScreen(r.left, r.top);
  HMODULE pictures = ::LoadLibraryExW(exe.c_str(), nullptr,
                                      LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
  if (!captured || !pictures) {
    if (pictures) ::FreeLibrary(pictures);
    return match;
  }
  const int small = ::GetSystemMetrics(SM_CXSMICON);
  match.difference = match.runnerUp = 1e9;
  for (int id : iconIds) {
    // The picture as the client loads it (default size) and its own small image.
    double best = 1e9;
    for (UINT flags : {UINT(LR_DEFAULTSIZE), UINT(0)}) {
      int size = flags ? 0 : small;
      HICON picture = static_cast<HICON>(
          ::LoadImageW(pictures, MAKEINTRESOURCEW(id), IMAGE_ICON, size, size, flags));
      if (!picture) continue;
      Pixels drawn(width, height);
      drawn.Fill(shown.At(0, 0));
      ::DrawIconEx(drawn.Dc(), (width - small) / 2, (height - small) / 2, picture, small, small, 0,
                   nullptr, DI_NORMAL);
      best = std::min(best, drawn.Difference(shown));
      ::DestroyIcon(picture);
    }
    if (best < match.difference) {
      match.runnerUp = match.difference;
      match.difference = best;
      match.id = id;
    } else if (best < match.runnerUp) {
      match.runnerUp = best;
    }
  }
  ::FreeLibrary(pictures);
  return match;
}

bool SaveScreen(const std::wstring& path) {
  const int width = ::GetSystemMetrics(SM_CXSCREEN), height = ::GetSystemMetrics(SM_CYSCREEN);
  if (width <= 0 || height <= 0) return false;
  Pixels shot(width, height);
  return shot.CopyScreen(0, 0) && shot.Save(path);
}

TestRegistration::TestRegistration(const char* name, TestBody body) {
  Registry()[name] = std::move(body);
}

const std::map<std::string, TestBody>& RegisteredTests() { return Registry(); }

HWND StartedController(ClientRun& run, const std::wstring& exe) {
  Check(run.Started(), "the client starts");
  HWND controller = Found(WaitWindow(run.Pid(), L"#32770", L"", kStartMs),
                          "the controller window (#32770) appears");
  Check(WaitIniValue(ConfigOf(exe), L"VersionCode", L"11", kStartMs),
        "VersionCode=11 is written beside the executable");
  return controller;
}

void ExitThroughTray(ClientRun& run, HWND controller) {
  ::PostMessageW(controller, WM_COMMAND, kExitCommand, 0);
  auto code = run.WaitExit(15000);
  Check(code.has_value(), "the Exit command ends the process");
  Check(*code == 0, "the exit code is 0, not " + std::to_string(*code));
}

Session::Session(const std::wstring& exe, const char* lines, const std::wstring& arguments)
    : config(PreparedConfig(exe, lines)),
      run(exe, arguments),
      controller(StartedController(run, exe)) {}

HWND Session::Notifications(DWORD ms) {
  HWND window = WaitWindow(run.Pid(), L"", L"ZephquillNotificationWnd", ms);
  return Found(window ? WaitDescendant(window, L"Shell Embedding", ms) : nullptr,
               "the notification window holds a web control");
}

void PickFromTrayMenu(ClientRun& run, int downs) {
  ::PostMessageW(TrayWindow(run), kTrayCallback, kTrayIconId, WM_RBUTTONUP);
  HWND menu = Found(WaitWindow(run.Pid(), L"#32768", L"", 5000),
                    "a right click on the icon shows the tray menu");
  for (int i = 0; i < downs; ++i) ::PostMessageW(menu, WM_KEYDOWN, VK_DOWN, 0);
  ::PostMessageW(menu, WM_KEYDOWN, VK_RETURN, 0);
  Check(WaitGone(menu, 5000), "the menu closes after Enter");
}

HWND OpenStatusBox(ClientRun& run, HWND controller) {
  DWORD_PTR ignored = 0;
  constexpr UINT kShowStatusWindow = WM_USER + 113;
  ::SendMessageTimeoutW(controller, kShowStatusWindow, 0, 0, SMTO_ABORTIFHUNG, 5000, &ignored);
  HWND status =
      Found(WaitWindow(run.Pid(), L"#32770", kStatusTitle, 5000), "the status window opens");
  return Found(::GetDlgItem(status, kStatusBox), "the status window has its message box");
}

void Navigate(HWND control, const std::wstring& address) {
  // As the script of a service page would: the control reports that page as shown.
  const std::wstring text = L"http://127.0.0.1:8701/panel/e2e-service-page.aspx\n" + address;
  COPYDATASTRUCT data{zq::win32::kTestNavigationTag,
                      static_cast<DWORD>(text.size() * sizeof(wchar_t)),
                      const_cast<wchar_t*>(text.c_str())};
  DWORD_PTR accepted = 0;
  bool sent = ::SendMessageTimeoutW(control, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&data),
                                    SMTO_ABORTIFHUNG, 5000, &accepted) != 0;
  Check(sent && accepted, "the web control takes the address " + Narrow(address));
}

void PageCommand(HWND control, const std::wstring& word, const std::wstring& argument) {
  Navigate(control, L"zqwndcmd::CMD:1227~wParam:" + word + L"~lParam:" + argument + L"~");
}

HeldKeys::HeldKeys(HWND window, std::vector<int> keys)
    : own_(::GetCurrentThreadId()),
      other_(::GetWindowThreadProcessId(window, nullptr)),
      keys_(std::move(keys)) {
  attached_ = other_ != 0 && ::AttachThreadInput(own_, other_, TRUE) != 0;
  Set(0x80);
}

HeldKeys::~HeldKeys() {
  Set(0);
  if (attached_) ::AttachThreadInput(own_, other_, FALSE);
}

void HeldKeys::Set(BYTE state) {
  BYTE keys[256] = {};
  ::GetKeyboardState(keys);
  for (int key : keys_) keys[key] = state;
  ::SetKeyboardState(keys);
}

bool SendUntil(HWND control, const Commands& commands, const std::function<bool()>& effect,
               DWORD ms) {
  return WaitFor(
      [&] {
        for (const auto& [word, argument] : commands) PageCommand(control, word, argument);
        return effect();
      },
      ms, 0);
}

}  // namespace zq::e2e
