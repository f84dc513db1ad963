#include "tests/wine/e2e_checks.h"

#include <algorithm>

#include "platform/win32/win32_backend.h"

namespace zq::e2e {
namespace {

std::vector<NamedTest>& Registry() {
  static std::vector<NamedTest> tests;
  return tests;
}

}  // namespace

TestRegistration::TestRegistration(const char* name, TestBody body) {
  Registry().push_back({name, std::move(body)});
}

std::vector<NamedTest> RegisteredTests() {
  std::vector<NamedTest> tests = Registry();
  std::sort(tests.begin(), tests.end(),
            [](const NamedTest& a, const NamedTest& b) { return a.name < b.name; });
  return tests;
}

HWND StartedController(ClientRun& run, const std::wstring& exe) {
  Check(run.Started(), "the client starts");
  HWND controller = WaitWindow(run.Pid(), L"#32770", L"", kStartMs);
  Check(controller != nullptr, "the controller window (#32770) appears");
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

namespace {
std::wstring PreparedConfig(const std::wstring& exe, const char* lines) {
  const std::wstring path = ConfigOf(exe);
  if (!lines)
    ::DeleteFileW(path.c_str());
  else
    Check(WriteAnsiFile(path, std::string("[General]\r\n") + lines),
          "the configuration file is written");
  return path;
}
}  // namespace

Session::Session(const std::wstring& exe, const char* lines, const std::wstring& arguments)
    : config(PreparedConfig(exe, lines)),
      run(exe, arguments),
      controller(StartedController(run, exe)) {}

HWND Session::Notifications(DWORD ms) {
  HWND control = NotificationControl(run.Pid(), ms);
  Check(control != nullptr, "the notification window holds a web control");
  return control;
}

HWND TrayWindow(ClientRun& run) {
  HWND tray = WaitWindow(run.Pid(), L"ZQTrayIconWindow", L"", 1000);
  Check(tray != nullptr, "the tray icon's window exists");
  return tray;
}

void PickFromTrayMenu(ClientRun& run, int downs) {
  ::PostMessageW(TrayWindow(run), kTrayCallback, kTrayIconId, WM_RBUTTONUP);
  HWND menu = WaitWindow(run.Pid(), L"#32768", L"", 5000);
  Check(menu != nullptr, "a right click on the icon shows the tray menu");
  for (int i = 0; i < downs; ++i) ::PostMessageW(menu, WM_KEYDOWN, VK_DOWN, 0);
  ::PostMessageW(menu, WM_KEYDOWN, VK_RETURN, 0);
  Check(WaitGone(menu, 5000), "the menu closes after Enter");
}

HWND OpenStatusBox(ClientRun& run, HWND controller) {
  DWORD_PTR ignored = 0;
  constexpr UINT kShowStatusWindow = WM_USER + 113;
  constexpr int kStatusBox = 1001;
  ::SendMessageTimeoutW(controller, kShowStatusWindow, 0, 0, SMTO_ABORTIFHUNG, 5000, &ignored);
  HWND status = WaitWindow(run.Pid(), L"#32770", L"Connectivity Status Information", 5000);
  Check(status != nullptr, "the status window opens");
  HWND box = ::GetDlgItem(status, kStatusBox);
  Check(box != nullptr, "the status window has its message box");
  return box;
}

HWND NotificationControl(DWORD pid, DWORD ms) {
  const DWORD start = ::GetTickCount();
  for (;;) {
    for (const WindowInfo& w : TopLevelWindows())
      if (w.pid == pid && w.title == L"ZephquillNotificationWnd")
        if (HWND control = FindDescendant(w.window, L"Shell Embedding")) return control;
    if (::GetTickCount() - start > ms) return nullptr;
    ::Sleep(100);
  }
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
  const DWORD start = ::GetTickCount();
  do {
    for (const auto& [word, argument] : commands) PageCommand(control, word, argument);
    if (effect()) return true;
  } while (::GetTickCount() - start < ms);
  return false;
}

}  // namespace zq::e2e
