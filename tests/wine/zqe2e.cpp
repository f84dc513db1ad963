// The end-to-end tests of ZephquillClient.exe under Wine, and the tests of its desktop:
// start, tray, boxes, switches. Usage: zqe2e TEST PATH-TO-ZephquillClient.exe (or "list").
#include <cstdio>
#include <iterator>
#include <utility>

#include "platform/win32/win32_com_server.h"
#include "tests/wine/dispatch_call.h"
#include "tests/wine/e2e_checks.h"
// After e2e_checks.h, which brings windows.h.
#include <shellapi.h>

namespace zq::e2e {
namespace {

void Startup(const std::wstring& exe) {
  ::DeleteFileW(ConfigOf(exe).c_str());
  ClientRun run(exe, L"");
  HWND splash = Found(WaitWindow(run.Pid(), L"SPLASH", L"Banner", 10000),
                      "the splash window \"Banner\" appears");
  RECT r{};
  ::GetWindowRect(splash, &r);
  Check(r.right - r.left == 320 && r.bottom - r.top == 160, "the splash has the banner's size");
  COLORREF centre = CLR_INVALID;
  WaitFor(
      [&] {
        HDC screen = ::GetDC(nullptr);
        centre = ::GetPixel(screen, r.left + 160, r.top + 100);
        ::ReleaseDC(nullptr, screen);
        return centre == RGB(0xF4, 0xF8, 0xFF);
      },
      2000);
  Check(centre == RGB(0xF4, 0xF8, 0xFF),
        "the screen shows the banner's picture (found " + Hex(centre) + ")");
  HWND controller = StartedController(run, exe);
  Check(!::IsWindowVisible(controller), "the controller stays hidden");
  Check(ReadAll(ConfigOf(exe)).substr(0, 2) == "\xFF\xFE", "the new configuration file is UTF-16");
  HWND tray = TrayWindow(run);
  Check(ShellKnowsIcon(tray, kTrayIconId) && !ShellKnowsIcon(tray, kTrayIconId + 1),
        "the shell holds the icon (window, id 130) and no other");
  Check(WaitGone(splash, 10000), "the splash goes after its four seconds");
  ExitThroughTray(run, controller);
}

// A client that cannot go on shows its box and ends with code 0 once it is answered (the
// boxes' texts: second_instance.zqs and bad_config.zqs).
void RefusedStart(const std::wstring& exe, const std::wstring& title) {
  ClientRun run(exe, L"");
  PressOk(Found(WaitWindow(run.Pid(), L"#32770", title, 20000),
                "the box \"" + Narrow(title) + "\" appears"));
  Check(run.WaitExit(10000) == DWORD{0}, "the process ends with code 0 after the box");
}

// The named mutex is seen across processes: the second client is refused.
void SecondInstance(const std::wstring& exe) {
  Session first(exe);
  RefusedStart(exe, L"Cannot start Zephquill Application more than once");
  first.Exit();
}

// The third item, "Share My Location", switches its setting; after Disable it does nothing.
void DisableGreysTheMenu(const std::wstring& exe) {
  Session client(exe);
  PickFromTrayMenu(client.run, 3);
  Check(WaitIniValue(client.config, L"ShowOthersMyLocation", L"false", 5000),
        "the enabled menu's \"Share My Location\" switches the setting off");
  ::PostMessageW(client.controller, WM_COMMAND, kDisableCommand, 0);
  ::Sleep(500);
  PickFromTrayMenu(client.run, 3);
  ::Sleep(1000);
  Check(IniValue(client.config, L"ShowOthersMyLocation") == L"false",
        "the disabled menu's \"Share My Location\" is grey and does nothing");
  client.Exit();
}

constexpr int kSkinWidth = 204, kSkinHeight = 155;

HWND StatusWindow(DWORD pid, DWORD ms) { return WaitWindow(pid, L"#32770", kStatusTitle, ms); }

// A plain double click on the icon runs the default command; with Control and Alt held it
// opens the status window, whose box collects the client's report lines; OK hides it, and
// the next Control+Alt double click shows the same window with its lines. (Clearing and
// the box's limit: connectivity_test; an unknown command's line: dispatcher_words.zqs.)
void StatusWindowOpens(const std::wstring& exe) {
  Session client(TestClientOf(exe));
  ClientRun& run = client.run;
  HWND tray = TrayWindow(run);
  HWND control = client.Notifications();

  ::PostMessageW(tray, kTrayCallback, kTrayIconId, WM_LBUTTONDBLCLK);
  ::Sleep(1500);
  Check(StatusWindow(run.Pid(), 0) == nullptr,
        "a double click without Control and Alt does not open the status window");

  HWND status = nullptr;
  {
    HeldKeys keys(tray, {VK_CONTROL, VK_LCONTROL, VK_MENU, VK_LMENU});
    Check(keys.Attached(), "the test shares the client's input state");
    ::PostMessageW(tray, kTrayCallback, kTrayIconId, WM_LBUTTONDBLCLK);
    status = StatusWindow(run.Pid(), 5000);
  }
  Check(status != nullptr, "Control+Alt and a double click on the icon open the status window");
  Check(WaitFor([&] { return ::IsWindowVisible(status) != 0; }, 2000),
        "the status window is visible");
  HWND box = ::GetDlgItem(status, kStatusBox);
  Check(box != nullptr && ClassOf(box) == L"Edit", "the status window has its edit box 1001");

  Check(SendUntil(
            control, {{L"tracemessage", L"first_trace_line"}},
            [&] { return WaitControlText(box, L"first_trace_line\r\n", 2000); }, 30000),
        "a page's trace message appears as a line in the box (found \"" +
            Narrow(ControlText(box, 2000)) + "\")");
  PressOk(status);
  Check(WaitFor([&] { return !::IsWindowVisible(status); }, 5000), "OK hides the status window");
  Check(::IsWindow(status), "the hidden status window is kept");
  {
    HeldKeys keys(tray, {VK_CONTROL, VK_LCONTROL, VK_MENU, VK_LMENU});
    ::PostMessageW(tray, kTrayCallback, kTrayIconId, WM_LBUTTONDBLCLK);
    Check(WaitFor([&] { return ::IsWindowVisible(status) != 0; }, 5000),
          "the next Control+Alt double click shows it again");
  }
  Check(StatusWindow(run.Pid(), 0) == status, "it is the same window");
  Check(ControlText(box, 2000).find(L"first_trace_line\r\n") != std::wstring::npos,
        "it keeps its lines");
  client.Exit();
}

// The taskbar's rectangle: its window's, else the shell's, else the strip below the work area.
RECT TaskbarArea() {
  RECT r{};
  if (HWND bar = ::FindWindowW(L"Shell_TrayWnd", nullptr))
    if (::GetWindowRect(bar, &r) && !::IsRectEmpty(&r)) return r;
  APPBARDATA data{};
  data.cbSize = sizeof data;
  if (::SHAppBarMessage(ABM_GETTASKBARPOS, &data) && !::IsRectEmpty(&data.rc)) return data.rc;
  RECT work{};
  ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
  return RECT{0, work.bottom, ::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN)};
}

bool WaitFullyShown(HWND popup, DWORD ms) {
  RECT r{};
  return WaitFor(
      [&] {
        return ::IsWindowVisible(popup) && ::GetWindowRect(popup, &r) &&
               r.right - r.left == kSkinWidth && r.bottom - r.top == kSkinHeight;
      },
      ms, 20);
}

// A notification slides the popup out of the taskbar at the bottom right; the screen is
// then saved as wine-startup.bmp (clicks and showings: notifications.zqs).
void NotificationScreenshot(const std::wstring& exe) {
  const std::wstring shot = DirectoryOf(exe) + L"\\wine-startup.bmp";
  ::DeleteFileW(shot.c_str());
  Session client(TestClientOf(exe));
  HWND popup = WaitWindow(client.run.Pid(), L"TaskbarNotifierClass", L"", 1000);
  Check(popup && !::IsWindowVisible(popup), "the popup is hidden before any notification");
  HWND control = client.Notifications();

  // The polling page's sequence: clear, the fields, then show with the stay time in ms.
  const Commands notification = {{L"clearnotifycontent", L"0"},
                                 {L"nextnotificationmsgtype", L"poke"},
                                 {L"nextnotificationmsg", L"Anna_wrote_about<nl>example.com"},
                                 {L"nextnotificationcontentid", L"4711"},
                                 {L"shownotificationmsg", L"30000"}};
  Check(SendUntil(
            control, notification, [&] { return WaitFullyShown(popup, 2000); }, 30000),
        "the popup slides out to the skin's full size");

  RECT bar = TaskbarArea(), shown{};
  ::GetWindowRect(popup, &shown);
  char where[160];
  std::snprintf(where, sizeof where, "popup (%ld,%ld)-(%ld,%ld), taskbar (%ld,%ld)-(%ld,%ld)",
                shown.left, shown.top, shown.right, shown.bottom, bar.left, bar.top, bar.right,
                bar.bottom);
  const int screenWidth = ::GetSystemMetrics(SM_CXSCREEN);
  Check(shown.bottom == bar.top && shown.right == bar.right - 20 && shown.right > screenWidth / 2,
        std::string("the popup stands on the taskbar at the bottom right: ") + where);
  ::Sleep(300);  // the last animation step's painting
  Check(SaveScreen(shot), "the screen is saved as " + Narrow(shot));

  client.Exit();
}

void BadConfiguration(const std::wstring& exe) {
  Check(WriteAnsiFile(ConfigOf(exe), "[General]\r\nFLT_WND_MIN_WIDTH=wide\r\n"),
        "the configuration file is written");
  RefusedStart(exe, L"Cannot initialize application.");
  ::DeleteFileW(ConfigOf(exe).c_str());
}

// Makes ClientTray through the registration (a server that starts may take a while) and
// calls its first `count` methods by name: the first failure, or S_OK.
HRESULT CallClientTray(size_t count) {
  if (FAILED(::CoInitialize(nullptr))) return E_UNEXPECTED;
  IDispatch* tray = nullptr;
  HRESULT result = E_FAIL;
  for (int i = 0; i < 50 && FAILED(result); ++i, ::Sleep(200))
    result = ::CoCreateInstance(zq::win32::CLSID_ClientTray, nullptr, CLSCTX_LOCAL_SERVER,
                                IID_IDispatch, reinterpret_cast<void**>(&tray));
  for (size_t i = 0; i < count && SUCCEEDED(result); ++i)
    result = win32::test::CallByName(*tray, win32::test::kClientTrayMethodShapes[i].name,
                                     win32::test::kClientTrayMethodShapes[i].argc);
  if (tray) tray->Release();
  ::CoUninitialize();
  return result;
}

// Runs the client with a switch (under `token` when given): it ends at once with code 0.
void RunSwitch(const std::wstring& exe, const std::wstring& switches, HANDLE token = nullptr) {
  win32::test::Process run(exe, switches, nullptr, token);
  Check(run.Started(), "the client starts with " + Narrow(switches));
  auto code = run.WaitExit(15000);
  Check(code == DWORD{0}, "\"" + Narrow(switches) + "\" ends the process at once with 0");
}

// The running client serves ClientTray to another program through the machine-wide
// registration that "-regserver" wrote; "/UnregServer" removes it. A switch followed by
// more text is no switch. (The keys and values written: registration.zqs.)
void ComServer(const std::wstring& exe) {
  const std::wstring clsid = L"CLSID\\{6F1C2B9E-4D3A-4E8B-9C51-2A7E0D4B8F13}";
  RunSwitch(exe, L"-regserver");
  Session client(exe, nullptr, L"/RegServer now");
  HRESULT called = CallClientTray(std::size(win32::test::kClientTrayMethodShapes));
  Check(called == S_OK,
        "the running client makes ClientTray, and all five methods answer S_OK across the "
        "process boundary: " +
            Hex(called));
  Check(::IsWindow(client.controller), "the client goes on after the calls");
  client.Exit();
  RunSwitch(exe, L"/UnregServer");
  Check(!RegistryValue(L"HKCR", clsid, L"").has_value(), "the class's key is removed");
  Check(!RegistryValue(L"HKCR", L"ZephquillClient.ClientTray", L"").has_value(),
        "the ProgID is removed");
}

// "/RegServer" with the limited token linked to this elevated one writes only the user's
// classes, the server's path quoted; "/UnregServer" so run removes them. (Wine reads only
// the machine's classes: the class is made in com_server.)
void PerUserRegistration(const std::wstring& exe) {
  const std::wstring key = L"Software\\Classes\\CLSID\\{6F1C2B9E-4D3A-4E8B-9C51-2A7E0D4B8F13}";
  HANDLE own = nullptr;
  TOKEN_LINKED_TOKEN linked{};
  DWORD size = 0;
  TOKEN_ELEVATION elevation{};
  bool limited = ::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, &own) &&
                 ::GetTokenInformation(own, TokenLinkedToken, &linked, sizeof linked, &size) &&
                 ::GetTokenInformation(linked.LinkedToken, TokenElevation, &elevation,
                                       sizeof elevation, &size) &&
                 !elevation.TokenIsElevated;
  if (own) ::CloseHandle(own);
  if (!limited) {
    std::printf("SKIP per_user_registration: this system gives no limited token to run with\n");
    if (linked.LinkedToken) ::CloseHandle(linked.LinkedToken);
    return;
  }
  RunSwitch(exe, L"/UnregServer");  // elevated: no registration left in either place
  RunSwitch(exe, L"/RegServer", linked.LinkedToken);
  auto server = RegistryValue(L"HKCU", key + L"\\LocalServer32", L"");
  Check(server && server->size() > 2 && server->front() == L'"' && server->back() == L'"',
        "the user's classes name the executable, quoted");
  Check(!RegistryValue(L"HKLM", key + L"\\LocalServer32", L""), "nothing is written machine-wide");
  RunSwitch(exe, L"/UnregServer", linked.LinkedToken);
  ::CloseHandle(linked.LinkedToken);
  Check(!RegistryValue(L"HKCU", key, L""), "the user's class key is removed");
  Check(!RegistryValue(L"HKCU", L"Software\\Classes\\ZephquillClient.ClientTray", L""),
        "the user's ProgID is removed");
}

const TestRegistration kDesktopTests[] = {
    {"startup", Startup},
    {"second_instance", SecondInstance},
    {"disable_greys_menu", DisableGreysTheMenu},
    {"status_window", StatusWindowOpens},
    {"notification_screenshot", NotificationScreenshot},
    {"bad_config", BadConfiguration},
    {"com_server", ComServer},
    {"per_user_registration", PerUserRegistration},
};

}  // namespace

// For the installer's round trip: makes ClientTray and calls one method (0: both succeed).
int MakeClientTray() {
  HRESULT called = CallClientTray(1);
  std::printf("CoCreateInstance and ShowPage: %08lx\n", static_cast<unsigned long>(called));
  return called == S_OK ? 0 : 1;
}

}  // namespace zq::e2e

int wmain(int argc, wchar_t** argv) {
  using namespace zq::e2e;
  std::string test = argc > 1 ? Narrow(argv[1]) : "";
  if (test == "list") {
    for (const auto& entry : RegisteredTests()) std::printf("%s\n", entry.first.c_str());
    return 0;
  }
  if (test == "cocreate") return MakeClientTray();
  auto it = RegisteredTests().find(test);
  if (it == RegisteredTests().end() || argc != 3) {
    std::fprintf(stderr, "usage: zqe2e list|cocreate|TEST CLIENT-EXE\n");
    return 2;
  }
  try {
    it->second(argv[2]);
  } catch (const Failed& f) {
    std::string reason = f.what;  // one line, so that the script shows all of it
    for (char& c : reason)
      if (c == '\r' || c == '\n') c = ' ';
    std::printf("FAIL %s: %s\n", test.c_str(), reason.c_str());
    std::fflush(stdout);
    return 1;
  }
  std::printf("PASS %s\n", test.c_str());
  std::fflush(stdout);
  return 0;
}
