// End-to-end tests of keys in a floating panel of the test build: the modal loop offers a
// key to the panel's filter, which hands F5 to the hosted control and closes on Escape.
#include "tests/wine/e2e_checks.h"

namespace zq::e2e {
namespace {

const wchar_t kFloatingClass[] = L"Afx:00400000:800";
const wchar_t kTitle[] = L"Keys Test";
// The test build's web controls answer how many key-downs of a key reached their
// accelerator handling.
constexpr UINT kKeysOffered = WM_APP + 0x5A2;

LRESULT KeysOffered(HWND control, WPARAM key) {
  DWORD_PTR count = 0;
  ::SendMessageTimeoutW(control, kKeysOffered, key, 0, SMTO_ABORTIFHUNG, 5000, &count);
  return static_cast<LRESULT>(count);
}

// A page opens a floating panel. With the focus in its web control, F5 reaches the
// control's accelerator handling (WM_FORWARDMSG from the panel's filter, then the control's
// TranslateAccelerator); Escape closes the panel. Keys are posted to the focus window, as
// the system queues them: under Wine, keyboard input does not reach a thread without focus.
// (A held F5 would also be posted to the panel's BrowserWindow and then dispatched.)
void FloatingPanelKeys(const std::wstring& exe) {
  const std::wstring client = TestClientOf(exe);
  ::DeleteFileW(ConfigOf(client).c_str());
  ClientRun run(client, L"");
  HWND controller = StartedController(run, client);
  HWND notifications = NotificationControl(run.Pid(), 10000);
  Check(notifications != nullptr, "the notification window holds a web control");
  const std::wstring open = std::wstring(L"zqwndcmd::CMD:1226~wParam:") + kTitle +
                            L";http://127.0.0.1:8701/panel/defaultminimize.aspx~lParam:0~";
  HWND panel = nullptr;
  for (DWORD start = ::GetTickCount(); !panel && ::GetTickCount() - start < 30000;) {
    Navigate(notifications, open);
    panel = WaitWindow(run.Pid(), kFloatingClass, kTitle, 2000);
  }
  Check(panel != nullptr, "a page's command opens the floating panel \"Keys Test\"");
  HWND control = WaitDescendant(panel, L"Shell Embedding", 10000);
  Check(control != nullptr, "the floating panel holds a web control");

  HeldKeys input(panel, {});  // none held: F5 is not down in the key state
  Check(input.Attached(), "the test shares the client's input state");
  ::SetFocus(control);
  HWND focus = ::GetFocus();
  Check(focus != nullptr && (focus == control || ::IsChild(control, focus)),
        "the focus is in the panel's web control");
  // Sent again until the client's loop takes it: while the panel's creation still waits
  // for its control's first document, keys are dispatched without the filters.
  LRESULT offered = 0;
  for (DWORD start = ::GetTickCount(); offered == 0 && ::GetTickCount() - start < 20000;) {
    ::PostMessageW(focus, WM_KEYDOWN, VK_F5, 0);
    ::Sleep(500);
    offered = KeysOffered(control, VK_F5);
  }
  Check(offered > 0, "F5 reaches the control's accelerator handling");
  ::PostMessageW(focus, WM_KEYDOWN, VK_ESCAPE, 0);
  Check(WaitGone(panel, 10000), "Escape closes the floating panel");
  ExitThroughTray(run, controller);
}

const TestRegistration kKeyboardTests[] = {
    {"floating_panel_keys", FloatingPanelKeys},
};

}  // namespace
}  // namespace zq::e2e
