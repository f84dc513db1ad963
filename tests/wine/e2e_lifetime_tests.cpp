// End-to-end tests of windows and threads whose lives cross: a disable that arrives while a
// service window is still being made, and the end of the client while a check runs.
#include "tests/wine/e2e_checks.h"

namespace zq::e2e {
namespace {

constexpr WPARAM kMySettingsCommand = 32786;
constexpr UINT kShowStatusWindow = WM_USER + 113;
constexpr int kStatusEdit = 1001;

// The exit must not wait for a check beyond its bound (2 s) and the shutdown's own work.
constexpr DWORD kPromptExitMs = 10000;

void ExitPromptly(ClientRun& run, HWND controller) {
  ::PostMessageW(controller, WM_COMMAND, kExitCommand, 0);
  auto code = run.WaitExit(kPromptExitMs);
  Check(code.has_value(), "the Exit command ends the process within 10 s");
  Check(*code == 0, "the exit code is 0 (no crash), not " + std::to_string(*code));
}

// Without an HTML engine every new web control waits its whole bound (5 s) for a document,
// handling the thread's messages meanwhile: the disable posted while the "Settings" window
// is being made is handled inside its creation, and closes the window once it is made.
void DisableDuringServiceWindowCreation(const std::wstring& exe) {
  Check(WriteAnsiFile(ConfigOf(exe), "[General]\r\nClientLoadURL=\r\nPollingURL=\r\n"),
        "the configuration file is written");
  ClientRun run(exe, L"");
  HWND controller = StartedController(run, exe);
  ::PostMessageW(controller, WM_COMMAND, kMySettingsCommand, 0);
  HWND settings = WaitWindow(run.Pid(), L"Afx:00400000:800", L"Settings", 30000);
  Check(settings != nullptr, "\"My Settings...\" starts making the \"Settings\" window");
  ::PostMessageW(controller, WM_COMMAND, kDisableCommand, 0);
  Check(WaitGone(settings, 20000), "the disable closes the window once it has been made");
  Check(!run.WaitExit(1000).has_value(), "the client runs on");
  ExitPromptly(run, controller);
  ::DeleteFileW(ConfigOf(exe).c_str());
}

// A page that cannot be loaded disables the client; the next disabled tick starts a
// connectivity check, whose browser object never comes under Wine (its creation waits
// 15 s). Exit during that wait ends the process at once, cleanly.
void ExitDuringConnectivityCheck(const std::wstring& exe) {
  const std::wstring client = TestClientOf(exe);
  ::DeleteFileW(ConfigOf(client).c_str());
  ClientRun run(client, L"");
  HWND controller = StartedController(run, client);
  DWORD_PTR ignored = 0;
  ::SendMessageTimeoutW(controller, kShowStatusWindow, 0, 0, SMTO_ABORTIFHUNG, 5000, &ignored);
  HWND status = WaitWindow(run.Pid(), L"#32770", L"Connectivity Status Information", 5000);
  Check(status != nullptr, "the status window opens");
  HWND box = ::GetDlgItem(status, kStatusEdit);
  HWND control = NotificationControl(run.Pid(), 10000);
  Check(control != nullptr, "the notification window holds a web control");
  Check(SendUntil(
            control, {{L"naverror", L"e2e_page_unreachable"}},
            [&] { return WaitControlText(box, L"e2e_page_unreachable\r\n", 2000); }, 30000),
        "a navigation error disables the client");
  ::Sleep(12000);  // the first disabled tick (10 s) has started a check, which still waits
  Check(!WaitControlText(box, L"Cannot recover internet connection issue", 100),
        "the check is still under way");
  ExitPromptly(run, controller);
  ::DeleteFileW(ConfigOf(client).c_str());
}

const TestRegistration kLifetimeTests[] = {
    {"disable_during_service_window_creation", DisableDuringServiceWindowCreation},
    {"exit_during_connectivity_check", ExitDuringConnectivityCheck},
};

}  // namespace
}  // namespace zq::e2e
