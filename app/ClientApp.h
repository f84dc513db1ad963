// The application object: start-up with its command-line switches, the single-instance
// check, the controller's modal loop, and the order of shutdown.
#pragma once
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "shell/InstanceGuard.h"

namespace zq {

class CClientDlg;
struct BrowserPanelRecord;
class ZephquillWnd;

class CClientApp {
 public:
  CClientApp();
  ~CClientApp();
  CClientApp(const CClientApp&) = delete;
  CClientApp& operator=(const CClientApp&) = delete;

  // Always false: the program's life is the controller's modal loop inside it.
  bool InitInstance();
  int ExitInstance();
  // Closes every panel and service window still open.
  void CloseAllPanels();

  CClientDlg* Controller = nullptr;
  // Guards Controller for the threads that reach it (WithController): set and cleared
  // under it on the main thread, which alone deletes the controller.
  std::unique_ptr<Lock> ControllerLock;
  CInstanceGuard InstanceGuard;
  // The panel registry (app/PanelRegistry.h): records by browser window, and the floating
  // service windows in order of opening; both own their objects.
  std::map<WindowHandle, std::unique_ptr<BrowserPanelRecord>> BrowserPanels;
  std::unique_ptr<Lock> BrowserPanelsLock;
  std::vector<std::unique_ptr<ZephquillWnd>> ServiceWindows;
  std::unique_ptr<Lock> ServiceWindowsLock;
  bool ComInitialized = false;
  std::wstring LastSite;
  std::unique_ptr<Lock> LastSiteLock;

  // What the command-line scan decided.
  enum class Switch { None, RegServer, UnregServer, CloseAll, LoadWithDelay };
  static Switch ScanCommandLine(const std::wstring& line);

 private:
  bool InitComAndSwitches();
  // Clears Controller under its lock, then deletes the controller.
  void ReleaseController();
  int lastQuitCode_ = 0;
};

// The process's entry: builds the application object, runs start-up and shutdown, and
// returns the exit code.
int ClientMain();

// The running process's application object, or null.
CClientApp* App();

}  // namespace zq
