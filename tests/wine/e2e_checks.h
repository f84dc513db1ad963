// What the end-to-end tests see of the desktop and how they drive the client. A test file
// adds its tests with one static TestRegistration array.
#pragma once
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <functional>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "tests/wine/fakefox_process.h"

namespace zq::e2e {

constexpr UINT kTrayCallback = WM_APP + 10;
constexpr WPARAM kTrayIconId = 130;
constexpr WPARAM kExitCommand = 57665, kDisableCommand = 32775;
constexpr DWORD kStartMs = 30000;  // the tray icon's creation alone waits 3 s
// No address for the hidden pages: one that cannot be shown (Wine has no HTML engine here)
// would disable the client.
constexpr const char* kNoHiddenPages = "ClientLoadURL=\r\nPollingURL=\r\n";

struct Failed {
  std::string what;
};

inline void Check(bool condition, const std::string& what) {
  if (!condition) throw Failed{what};
}
std::string Hex(unsigned long value);
// The window found, or a failure naming what was missing.
inline HWND Found(HWND window, const std::string& what) {
  Check(window != nullptr, what);
  return window;
}

inline std::wstring DirectoryOf(const std::wstring& path) {
  size_t slash = path.find_last_of(L"\\/");
  return slash == std::wstring::npos ? L"." : path.substr(0, slash);
}
std::string Narrow(const std::wstring& text);

// One run of the client, in the executable's directory.
struct ClientRun : win32::test::Process {
  ClientRun(const std::wstring& exe, const std::wstring& arguments)
      : Process(exe, arguments, DirectoryOf(exe).c_str()) {}
};

// Checks `done` every `step` ms until it holds (true) or `ms` have passed (false).
bool WaitFor(const std::function<bool()>& done, DWORD ms, DWORD step = 50);
std::wstring ClassOf(HWND window);
std::wstring TitleOf(HWND window);
// A top-level window of the process with that class and title (either may be empty) for
// which `also` holds, when given.
HWND WaitWindow(DWORD pid, const std::wstring& className, const std::wstring& title, DWORD ms,
                const std::function<bool(HWND)>& also = nullptr);
inline bool WaitGone(HWND window, DWORD ms) {
  return WaitFor([&] { return !::IsWindow(window); }, ms);
}
// A message box's static texts joined, and its OK button.
std::wstring BoxText(HWND box);
inline void PressOk(HWND box) { ::PostMessageW(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0); }
// Whether the notification area holds the icon: the shell modifies only an icon it has.
bool ShellKnowsIcon(HWND window, UINT id);

// A configuration value, and a file's bytes ("" when missing).
std::wstring IniValue(const std::wstring& path, const std::wstring& key);
std::string ReadAll(const std::wstring& path);
inline bool WaitIniValue(const std::wstring& path, const std::wstring& key,
                         const std::wstring& expected, DWORD ms) {
  return WaitFor([&] { return IniValue(path, key) == expected; }, ms, 100);
}
bool WriteAnsiFile(const std::wstring& path, const std::string& bytes);
// A string value under root "HKCU", "HKLM" or "HKCR".
std::optional<std::wstring> RegistryValue(const std::wstring& root, const std::wstring& subKey,
                                          const std::wstring& name);

// The first window of that class below `parent` (children before their siblings), or null.
HWND FindDescendant(HWND parent, const std::wstring& className);
HWND WaitDescendant(HWND parent, const std::wstring& className, DWORD ms);
// A control's text (WM_GETTEXT, across processes too), "" without an answer within `ms`.
std::wstring ControlText(HWND control, DWORD ms);
inline bool WaitControlText(HWND control, const std::wstring& part, DWORD ms) {
  return WaitFor([&] { return ControlText(control, 2000).find(part) != std::wstring::npos; }, ms,
                 100);
}

// Which of the icon resources `iconIds` of `exe` Wine's tray shows, compared pixel by pixel
// with each drawn the same way: the best, its difference and the runner-up's (id 0: none).
struct TrayPictureMatch {
  int id = 0;
  double difference = 0, runnerUp = 0;
};
TrayPictureMatch ShownTrayPicture(const std::wstring& exe, const std::vector<int>& iconIds);
// Saves the whole screen as a BMP file.
bool SaveScreen(const std::wstring& path);

inline std::wstring ConfigOf(const std::wstring& exe) {
  return DirectoryOf(exe) + L"\\ZQConfig.ini";
}
// The test build beside the product (its web controls take addresses from the tests).
inline std::wstring TestClientOf(const std::wstring& exe) {
  return DirectoryOf(exe) + L"\\ZephquillClientTest.exe";
}

// Waits until the controller exists and has written the version code (after the tray icon).
HWND StartedController(ClientRun& run, const std::wstring& exe);
// Picks Exit from the tray's commands and checks that the process ends with code 0.
void ExitThroughTray(ClientRun& run, HWND controller);

// The client started with `config`'s lines as section "General" of its configuration
// file, or with no file when null.
struct Session {
  Session(const std::wstring& exe, const char* config = nullptr,
          const std::wstring& arguments = L"");
  // The web control of the hidden notification window, waiting up to `ms`.
  HWND Notifications(DWORD ms = 10000);
  void Exit() { ExitThroughTray(run, controller); }
  const std::wstring config;  // the configuration file's path
  ClientRun run;
  const HWND controller;
};

inline HWND TrayWindow(ClientRun& run) {
  return Found(WaitWindow(run.Pid(), L"ZQTrayIconWindow", L"", 1000),
               "the tray icon's window exists");
}
// Opens the tray menu and picks the item `downs` steps down with the keyboard.
void PickFromTrayMenu(ClientRun& run, int downs);
const wchar_t kStatusTitle[] = L"Connectivity Status Information";
constexpr int kStatusBox = 1001;
// Opens the status window, which collects the client's report lines from then on; its box.
HWND OpenStatusBox(ClientRun& run, HWND controller);
// Hands the control (test build) an address, as a service page's script would navigate.
void Navigate(HWND control, const std::wstring& address);
// A command word with its argument for the controller, through the panel's command number.
void PageCommand(HWND control, const std::wstring& word, const std::wstring& argument);

using Commands = std::vector<std::pair<std::wstring, std::wstring>>;
// Sends the commands again until `effect` holds, for up to `ms` (early ones may be lost).
bool SendUntil(HWND control, const Commands& commands, const std::function<bool()>& effect,
               DWORD ms);

// Keys marked down in the input state of `window`'s thread, which the test's thread shares
// while the object lives (keybd_event does not reach a thread without focus under Wine).
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
// Every registered test by name.
const std::map<std::string, TestBody>& RegisteredTests();

}  // namespace zq::e2e
