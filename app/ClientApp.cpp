// Start-up and shutdown of the client process.
#include "app/ClientApp.h"

#include "app/AppConsts.h"
#include "app/ClientProcess.h"
#include "app/ErrorReport.h"
#include "app/Messages.h"
#include "app/PanelRegistry.h"
#include "app/Text.h"
#include "automation/ServerRegistration.h"
#include "controller/ClientDlg.h"
#include "panel/ZephquillWnd.h"

namespace zq {

namespace {
// How long the end of the process waits for its workers: a check polls its page every
// quarter second; only a browser object that is still being made takes longer.
constexpr unsigned kWorkerEndMs = 2000;
}  // namespace

CClientApp::CClientApp()
    : ControllerLock(Plat().threads().NewLock()),
      BrowserPanelsLock(Plat().threads().NewLock()),
      ServiceWindowsLock(Plat().threads().NewLock()),
      LastSiteLock(Plat().threads().NewLock()) {}

CClientApp::~CClientApp() { ReleaseController(); }

void CClientApp::ReleaseController() {
  std::unique_ptr<CClientDlg> going;
  {
    LockGuard hold(*ControllerLock);
    going.reset(Controller);
    Controller = nullptr;
  }
  // No worker can reach it any more; those inside WithController have finished.
}

CClientApp* App() {
  if (!CurrentPlatform()) return nullptr;
  return Proc().App.get();
}

CClientApp::Switch CClientApp::ScanCommandLine(const std::wstring& line) {
  size_t pos = 0;
  for (;;) {
    size_t at = line.find_first_of(L"-/", pos);
    if (at == std::wstring::npos) return Switch::None;
    // The token is the whole rest of the line: a switch counts only when nothing follows.
    std::wstring token = line.substr(at + 1);
    if (EqualsNoCase(token, L"UnregServer")) return Switch::UnregServer;
    if (EqualsNoCase(token, L"RegServer")) return Switch::RegServer;
    if (EqualsNoCase(token, L"CloseAll")) return Switch::CloseAll;
    if (EqualsNoCase(token, L"LoadWithDelay")) return Switch::LoadWithDelay;
    pos = at + 1;
  }
}

// Component runtime, automation module and command-line switches. False ends start-up.
bool CClientApp::InitComAndSwitches() {
  Platform& p = Plat();
  ComInitialized = true;
  if (p.com().Initialize() < 0) {
    ComInitialized = false;
    return false;
  }
  p.com().InitModule(p.threads().CurrentThreadId());
  auto endEarly = [&] {
    ComInitialized = false;
    p.com().TermModule();
    p.com().Uninitialize();
    return false;
  };
  switch (ScanCommandLine(p.processes().CommandLine())) {
    case Switch::UnregServer:
      UpdateServerRegistration(false);
      return endEarly();
    case Switch::RegServer:
      UpdateServerRegistration(true);
      return endEarly();
    case Switch::CloseAll:
      p.processes().WinExec("tskill ZephquillClient", sw::ShowNormal);
      p.clock().Sleep(3000);
      return endEarly();
    case Switch::LoadWithDelay:
      p.clock().Sleep(7000);
      break;
    case Switch::None:
      break;
  }
  if (p.com().RegisterClassObjects() < 0) {
    ComInitialized = false;
    p.com().Uninitialize();
    return false;
  }
  return true;
}

bool CClientApp::InitInstance() {
  bool goOn = false;
  Guarded(0, L"Unable to initialize the application", [&] { goOn = InitComAndSwitches(); });
  if (!goOn) return false;

  Platform& p = Plat();
  if (!InstanceGuard.Acquire(IDS_APP_NAME)) {
    p.windows().MessageBox(0, L"The application is already running",
                           L"Cannot start Zephquill Application more than once", mb::IconError);
    return false;
  }

  {
    auto controller = std::make_unique<CClientDlg>();
    LockGuard hold(*ControllerLock);
    Controller = controller.release();
  }
  Controller->DoModal();
  lastQuitCode_ = Controller->QuitCode();
  // A check or a tracking still under way ends (it stops waiting once the process ends)
  // before the controller goes; one that takes longer holds what it uses.
  WaitForClientWorkers(kWorkerEndMs);
  ReleaseController();
  return false;
}

int CClientApp::ExitInstance() {
  Quietly([&] {
    CloseAllPanels();
    DestroyAppConsts();
  });
  if (ComInitialized) {
    Quietly([&] {
      Platform& p = Plat();
      p.com().RevokeClassObjects();
      p.com().TermModule();
      p.com().Uninitialize();
    });
  }
  return lastQuitCode_;
}

int ClientMain() {
  ClientProcess& proc = Proc();
  proc.App = std::make_unique<CClientApp>();
  proc.App->InitInstance();
  return proc.App->ExitInstance();
}

}  // namespace zq
