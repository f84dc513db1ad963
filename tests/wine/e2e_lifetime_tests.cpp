// End-to-end tests of windows and threads whose lives cross: a disable that arrives while a
// service window is still being made, and the end of the client while a check runs.
#include "tests/wine/e2e_checks.h"

namespace zq::e2e {
namespace {

constexpr WPARAM kMySettingsCommand = 32786;

// Without an HTML engine every new web control waits its whole bound (5 s) for a document,
// handling the thread's messages meanwhile: the disable posted while the "Settings" window
// is being made is handled inside its creation, and closes the window once it is made.
void DisableDuringServiceWindowCreation(const std::wstring& exe) {
  Session client(exe, kNoHiddenPages);
  ::PostMessageW(client.controller, WM_COMMAND, kMySettingsCommand, 0);
  HWND settings = Found(WaitWindow(client.run.Pid(), L"Afx:00400000:800", L"Settings", 30000),
                        "\"My Settings...\" starts making the \"Settings\" window");
  ::PostMessageW(client.controller, WM_COMMAND, kDisableCommand, 0);
  Check(WaitGone(settings, 20000), "the disable closes the window once it has been made");
  client.Exit();  // with code 0: nothing crashed
  ::DeleteFileW(client.config.c_str());
}

// A page that cannot be loaded disables the client, and the disabled ticks start
// connectivity checks. Exit while a check waits for its browser object (the stand-in
// server has started) ends the process cleanly.
void ExitDuringConnectivityCheck(const std::wstring& exe) {
  // Internet Explorer's class: a creation waits for its whole limit (15 s).
  win32::test::SilentServer server(L"CLSID\\{0002DF01-0000-0000-C000-000000000046}");
  Session client(TestClientOf(exe));
  PageCommand(client.Notifications(), L"naverror", L"e2e_page_unreachable");
  Check(WaitFor([] { return ::FindWindowW(L"MozillaUIWindowClass", nullptr) != nullptr; }, 30000),
        "a connectivity check starts the browser's server and waits for it");
  client.Exit();  // with code 0: nothing crashed
  ::DeleteFileW(client.config.c_str());
}

const TestRegistration kLifetimeTests[] = {
    {"disable_during_service_window_creation", DisableDuringServiceWindowCreation},
    {"exit_during_connectivity_check", ExitDuringConnectivityCheck},
};

}  // namespace
}  // namespace zq::e2e
