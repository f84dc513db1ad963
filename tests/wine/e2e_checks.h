// What every end-to-end test uses: failing with a reason, the client's configuration file,
// starting and ending the client as the user does, and the list of tests that the driver
// runs. A test file adds its tests with one static TestRegistration array.
#pragma once
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "tests/wine/e2e_desktop.h"
#include "tests/wine/fakefox_process.h"

namespace zq::e2e {

constexpr UINT kTrayCallback = WM_APP + 10;
constexpr WPARAM kTrayIconId = 130;
constexpr WPARAM kExitCommand = 57665, kDisableCommand = 32775;
constexpr DWORD kStartMs = 30000;  // the tray icon's creation alone waits 3 s
// Configuration lines that give the controller's hidden pages no address, so that only the
// pages a test asks for are loaded: a service page that cannot be shown (as on a Wine
// without an HTML engine) is a navigation failure, which disables the client.
constexpr const char* kNoHiddenPages = "ClientLoadURL=\r\nPollingURL=\r\n";

struct Failed {
  std::string what;
};

inline void Check(bool condition, const std::string& what) {
  if (!condition) throw Failed{what};
}

inline std::wstring ConfigOf(const std::wstring& exe) {
  return DirectoryOf(exe) + L"\\ZQConfig.ini";
}

// Starts the client and waits until its start-up has finished: the controller exists and
// has written the version code, which it does after the tray icon was added.
HWND StartedController(ClientRun& run, const std::wstring& exe);
// Picks Exit from the tray's commands and checks that the process ends with code 0.
void ExitThroughTray(ClientRun& run, HWND controller);

// The client started as the tests start it: `config`'s lines written as section "General" of
// its configuration file (ANSI), or no file at all (a fresh one is made) when null; waited
// for until its start-up has finished.
struct Session {
  Session(const std::wstring& exe, const char* config = nullptr,
          const std::wstring& arguments = L"");
  // The hidden notification window's web control, waiting up to `ms`.
  HWND Notifications(DWORD ms = 10000);
  void Exit() { ExitThroughTray(run, controller); }
  const std::wstring config;  // the configuration file's path
  ClientRun run;
  const HWND controller;
};

// The window of the client's tray icon.
HWND TrayWindow(ClientRun& run);
// Opens the tray menu through the icon's callback and picks the item `downs` steps down
// with the keyboard, as a user would.
void PickFromTrayMenu(ClientRun& run, int downs);
// Opens the client's status window, which collects its report lines from then on; its
// message box.
HWND OpenStatusBox(ClientRun& run, HWND controller);

// The test build of the client beside the product (its web controls take addresses from
// the tests).
inline std::wstring TestClientOf(const std::wstring& exe) {
  return DirectoryOf(exe) + L"\\ZephquillClientTest.exe";
}

// The web control of the controller's hidden notification window, waiting up to `ms`.
HWND NotificationControl(DWORD pid, DWORD ms);
// Hands the control (test build) an address to navigate to, as the script of a service page
// would (the control reports that page as shown).
void Navigate(HWND control, const std::wstring& address);
// A command word with its argument for the controller, through the panel's command number.
void PageCommand(HWND control, const std::wstring& word, const std::wstring& argument);

using Commands = std::vector<std::pair<std::wstring, std::wstring>>;
// Sends the commands again (every 2 s or so, for up to `ms`) until `effect` holds. The
// hidden windows finish their creation a while after start-up, since each waits for its
// control's first page; a command that arrives earlier has nowhere to go and is lost.
bool SendUntil(HWND control, const Commands& commands, const std::function<bool()>& effect,
               DWORD ms);

// Keys held for the thread of `window` while the object lives: the test's thread shares
// that thread's input state and marks the keys as down in it, which is what the client's
// GetKeyState reads; it may also give the focus to that thread's windows. (Keys sent to
// the whole desktop with keybd_event do not reach a thread without focus under Wine.)
class HeldKeys {
 public:
  HeldKeys(HWND window, std::vector<int> keys);
  ~HeldKeys();
  HeldKeys(const HeldKeys&) = delete;
  HeldKeys& operator=(const HeldKeys&) = delete;
  bool Attached() const { return attached_; }

 private:
  void Set(BYTE state);
  DWORD own_, other_;
  std::vector<int> keys_;
  bool attached_ = false;
};

using TestBody = std::function<void(const std::wstring& clientExe)>;
struct TestRegistration {
  TestRegistration(const char* name, TestBody body);
};
struct NamedTest {
  std::string name;
  TestBody body;
};
// Every registered test, sorted by name.
std::vector<NamedTest> RegisteredTests();

}  // namespace zq::e2e
