// The end-to-end tests of ZephquillClient.exe, run under Wine: each test starts the real
// program, watches its windows, boxes and configuration file, and drives it the way the
// shell and the user do. Usage: zqe2e TEST PATH-TO-ZephquillClient.exe (or "list").
#include <cstdio>
#include <initializer_list>
#include <utility>

#include "platform/win32/win32_com_server.h"
#include "tests/wine/dispatch_call.h"
#include "tests/wine/e2e_checks.h"

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

// "Share My Location" is the third item: picked while enabled it switches the setting;
// after Disable the item is grey and picking it does nothing.
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

void BadConfiguration(const std::wstring& exe) {
  Check(WriteAnsiFile(ConfigOf(exe), "[General]\r\nFLT_WND_MIN_WIDTH=wide\r\n"),
        "the configuration file is written");
  RefusedStart(exe, L"Cannot initialize application.");
  ::DeleteFileW(ConfigOf(exe).c_str());
}

// Makes ClientTray through the registration (the system starts the registered server when
// none runs; one that starts may take a while) and calls the methods by name: the first
// failure, or S_OK.
HRESULT CallClientTray(std::initializer_list<std::pair<const wchar_t*, UINT>> methods) {
  if (FAILED(::CoInitialize(nullptr))) return E_UNEXPECTED;
  IDispatch* tray = nullptr;
  HRESULT result = E_FAIL;
  for (int i = 0; i < 50 && FAILED(result); ++i, ::Sleep(200))
    result = ::CoCreateInstance(zq::win32::CLSID_ClientTray, nullptr, CLSCTX_LOCAL_SERVER,
                                IID_IDispatch, reinterpret_cast<void**>(&tray));
  for (const auto& [name, argc] : methods)
    if (SUCCEEDED(result)) result = win32::test::CallByName(*tray, name, argc);
  if (tray) tray->Release();
  ::CoUninitialize();
  return result;
}

// Runs the client with a switch (under `token`, a limited one, when given) and checks that
// it ends at once with code 0.
void RunSwitch(const std::wstring& exe, const std::wstring& switches, HANDLE token = nullptr) {
  win32::test::Process run(exe, switches, nullptr, token);
  Check(run.Started(), "the client starts with " + Narrow(switches));
  auto code = run.WaitExit(15000);
  Check(code == DWORD{0}, "\"" + Narrow(switches) + "\" ends the process at once with 0");
}

// Whether a server's registered command line is quoted.
bool Quoted(const std::optional<std::wstring>& server) {
  return server && server->size() > 2 && server->front() == L'"' && server->back() == L'"';
}

// The running client serves ClientTray to another program through the registration that
// "/RegServer" (any case, "-" or "/") wrote machine-wide; "/UnregServer" removes the class.
// A switch followed by more text is no switch: the program starts normally. (The keys and
// values written: registration.zqs.)
void ComServer(const std::wstring& exe) {
  const std::wstring clsid = L"CLSID\\{6F1C2B9E-4D3A-4E8B-9C51-2A7E0D4B8F13}";
  RunSwitch(exe, L"-regserver");
  Session client(exe, nullptr, L"/RegServer now");
  HRESULT called = CallClientTray({{L"ShowPage", 2},
                                   {L"ShowNotification", 1},
                                   {L"SetStatus", 1},
                                   {L"OpenAddress", 1},
                                   {L"SetOption", 2}});
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

// "/RegServer" without administrator rights (the limited token linked to this elevated
// one) writes only the user's classes, with the server's path quoted; "/UnregServer" so
// run removes them. Wine's component runtime reads only the machine's classes, so the
// class is not made from them here; the machine-wide case is com_server.
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
  Check(Quoted(RegistryValue(L"HKCU", key + L"\\LocalServer32", L"")),
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
    {"bad_config", BadConfiguration},
    {"com_server", ComServer},
    {"per_user_registration", PerUserRegistration},
};

}  // namespace

// Makes ClientTray from this process through the registration alone and calls one method:
// 0 when both succeed.
int MakeClientTray() {
  HRESULT called = CallClientTray({{L"ShowPage", 2}});
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
  if (test == "cocreate") return MakeClientTray();  // for the installer's round trip
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
