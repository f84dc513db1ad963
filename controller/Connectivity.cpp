// The connectivity check: a worker thread that loads the service's static check page in a
// hidden browser instance and asks the controller to enable the client when it is there.
#include <memory>
#include <optional>

#include "app/AppConsts.h"
#include "app/ClientApp.h"
#include "app/CommandText.h"
#include "app/ErrorReport.h"
#include "app/Messages.h"
#include "controller/ClientDlg.h"

namespace zq {

namespace {

const wchar_t kCheckElement[] = L"ConnectionAliveStaticCheck";
constexpr unsigned kPollMs = 250;
// A document that has not come by then will not come: the service counts as unreachable.
constexpr std::uint64_t kDocumentLimitMs = 30000;

// The controller the check was started for, while it still runs in this process. The
// thread may outlive it when the client ends during a check.
bool StillRunning(const CClientDlg& controller) {
  CClientApp* app = App();
  return app && app->Controller == &controller;
}

// Waits (bounded) for the browser's first document and looks for the check element in it.
bool PageHasCheckElement(IEApplication& browser) {
  Clock& clock = Plat().clock();
  const std::uint64_t start = clock.TickMs();
  std::shared_ptr<WebDocument> document;
  for (;;) {
    ThrowIfFailed(browser.Document(document));
    if (document) break;
    if (clock.TickMs() - start >= kDocumentLimitMs) return false;
    clock.Sleep(kPollMs);
  }
  std::optional<std::wstring> text;
  ThrowIfFailed(document->ElementText(kCheckElement, text));
  return text.has_value();
}

// Closes the hidden instance on every way out; a released instance that was not told to
// quit would go on running unseen.
struct QuitOnExit {
  std::unique_ptr<IEApplication>& browser;
  ~QuitOnExit() {
    if (browser) browser->Quit();
    browser.reset();
  }
};

void CheckConnection(CClientDlg& controller) {
  const CAppConsts& k = GetAppConsts();
  Platform& p = Plat();
  std::unique_ptr<IEApplication> browser;
  QuitOnExit closer{browser};
  HResult created = p.ieApps().Create(true, browser);
  if (created != hr::NoInterface) ThrowIfFailed(created);
  ThrowIfNull(browser);
  ThrowIfFailed(browser->SetVisible(false));
  ThrowIfFailed(browser->SetOffline(false));
  ThrowIfFailed(browser->Navigate(k.ConnectionAliveStaticCheckURL, 0, L"", {}, L""));
  bool reachable = PageHasCheckElement(*browser);
  if (!reachable || !StillRunning(controller) || controller.Enabled) return;
  controller.ConnectionLost = false;
  WParam word = GiveText(k.EnableOrDisableCmd);
  LParam argument = GiveLParamText(L"0");
  if (!p.windows().Post(controller.Hwnd(), UM_PANEL_COMMAND, word, argument)) {
    FreeText(word);
    FreeText(static_cast<WParam>(argument));
  }
}

void RunConnectivityCheck(CClientDlg& controller) {
  Platform& p = Plat();
  HResult com = p.com().Initialize();
  // A process exit passes through Guarded and skips the rest: the controller may be gone.
  Guarded(0, L"Cannot recover internet connection issue", [&] {
    ThrowIfFailed(com);
    CheckConnection(controller);
  });
  if (com >= 0) p.com().Uninitialize();
  if (StillRunning(controller)) controller.CheckRunning = false;
}

}  // namespace

bool CClientDlg::StartConnectivityCheck() {
  CClientDlg* self = this;
  return Plat().threads().Start([self] { RunConnectivityCheck(*self); });
}

bool ControllerServices::StartConnectivityCheck(CClientDlg& controller) {
  return controller.StartConnectivityCheck();
}

}  // namespace zq
