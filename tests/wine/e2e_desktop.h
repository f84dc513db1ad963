// What the end-to-end tests see of the desktop: the client process they start, the
// windows of a process, message boxes, popup menus, the configuration file and registry.
#pragma once
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace zq::e2e {

// One run of the client; ended by force when the object goes and it still runs.
class ClientRun {
 public:
  ClientRun(const std::wstring& exe, const std::wstring& arguments);
  ~ClientRun();
  ClientRun(const ClientRun&) = delete;
  ClientRun& operator=(const ClientRun&) = delete;
  bool Started() const { return pi_.hProcess != nullptr; }
  DWORD Pid() const { return pi_.dwProcessId; }
  // The exit code once the process has ended within `ms`, else nothing.
  std::optional<DWORD> WaitExit(DWORD ms);

 private:
  PROCESS_INFORMATION pi_{};
};

struct WindowInfo {
  HWND window;
  DWORD pid;
  std::wstring className, title;
  bool visible;
};

std::vector<WindowInfo> TopLevelWindows();
// Checks `done` every `step` ms until it holds (true) or `ms` have passed (false).
bool WaitFor(const std::function<bool()>& done, DWORD ms, DWORD step = 50);
std::wstring ClassOf(HWND window);
std::wstring TitleOf(HWND window);
// A top-level window of the process with that class (and title, unless empty), waiting
// up to `ms` for it to appear.
HWND WaitWindow(DWORD pid, const std::wstring& className, const std::wstring& title, DWORD ms);
// Waits up to `ms` for the window to be gone.
bool WaitGone(HWND window, DWORD ms);
// The text of a message box: its static controls' texts joined.
std::wstring BoxText(HWND box);
// Presses the box's OK button.
void PressOk(HWND box);

// Whether the notification area holds the icon (window, id): the shell accepts a
// modification only for an icon it has.
bool ShellKnowsIcon(HWND window, UINT id);

// A value of the configuration file ("" when missing), and a whole file's bytes ("" when
// it cannot be read).
std::wstring IniValue(const std::wstring& path, const std::wstring& key);
std::string ReadAll(const std::wstring& path);
// Waits up to `ms` until the value equals `expected`.
bool WaitIniValue(const std::wstring& path, const std::wstring& key, const std::wstring& expected,
                  DWORD ms);
bool WriteAnsiFile(const std::wstring& path, const std::string& bytes);

// A string value under HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE or HKEY_CLASSES_ROOT
// (root given as "HKCU", "HKLM", "HKCR").
std::optional<std::wstring> RegistryValue(const std::wstring& root, const std::wstring& subKey,
                                          const std::wstring& name);

std::wstring DirectoryOf(const std::wstring& path);
std::string Narrow(const std::wstring& text);

// The first window of that class below `parent` (children before their siblings), or null.
HWND FindDescendant(HWND parent, const std::wstring& className);
// Waits up to `ms` for such a window to appear.
HWND WaitDescendant(HWND parent, const std::wstring& className, DWORD ms);
// A control's text asked of the window itself (WM_GETTEXT, also across processes), ""
// when it does not answer within `ms`.
std::wstring ControlText(HWND control, DWORD ms);
// Waits up to `ms` until the control's text contains `part`.
bool WaitControlText(HWND control, const std::wstring& part, DWORD ms);

// Which of the pictures `iconIds` (icon resources of `exe`) the notification area shows
// for the one icon in Wine's own tray window: the icon window's pixels are compared with
// each picture drawn the same way (small size, centred, on the window's background). The
// best match, with its difference and the runner-up's; id 0 when no icon is shown.
struct TrayPictureMatch {
  int id = 0;
  double difference = 0, runnerUp = 0;
};
TrayPictureMatch ShownTrayPicture(const std::wstring& exe, const std::vector<int>& iconIds);
// Saves the whole screen as a BMP file.
bool SaveScreen(const std::wstring& path);

}  // namespace zq::e2e
