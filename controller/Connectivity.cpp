// The connectivity check: a worker thread that loads the service's static check page in a
// hidden browser instance and asks the controller to enable the client when it is there.
#include <memory>
#include <optional>

#include "app/AppConsts.h"
#include "app/ClientProcess.h"
#include "app/CommandText.h"
#include "app/ControllerAccess.h"
#include "app/ErrorReport.h"
#include "app/Messages.h"
#include "controller/ClientDlg.h"

namespace zq {

namespace {

const wchar_t kCheckElement[] = L"ConnectionAliveStaticCheck";
constexpr unsigned kPollMs = 250;
// A document that has not come by then will not come: the service counts as unreachable.
constexpr std::uint64_t kDocumentLimitMs = 30000;

// Waits (bounded) for the browser's first document and looks for the check element in it.
bool PageHasCheckElement(IEApplication& browser) {
  Clock& clock = Plat().clock();
  const std::uint64_t start = clock.TickMs();
  std::shared_ptr<WebDocument> document;
  for (;;) {
    ThrowIfFailed(browser.Document(document));
    if (document) break;
    if (clock.TickMs() - start >= kDocumentLimitMs || ClientEnding()) return false;
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

// The check's thread holds the constants it reads and reaches the controller only through
// WithController, so that a check still running when the client ends touches nothing the
// end of the process frees.
void CheckConnection() {
  std::shared_ptr<const CAppConsts> k = HoldAppConsts();
  Platform& p = Plat();
  std::unique_ptr<IEApplication> browser;
  QuitOnExit closer{browser};
  HResult created = p.ieApps().Create(true, browser);
  if (created != hr::NoInterface) ThrowIfFailed(created);
  ThrowIfNull(browser);
  ThrowIfFailed(browser->SetVisible(false));
  ThrowIfFailed(browser->SetOffline(false));
  ThrowIfFailed(browser->Navigate(k->ConnectionAliveStaticCheckURL, 0, L"", {}, L""));
  if (!PageHasCheckElement(*browser)) return;
  WithController([&](CClientDlg& controller) {
    // Enabled meanwhile, or past its window's end at exit: nothing to ask of it.
    if (controller.Enabled || !controller.Hwnd()) return;
    controller.ConnectionLost = false;
    WParam word = GiveText(k->EnableOrDisableCmd);
    LParam argument = GiveLParamText(L"0");
    if (!p.windows().Post(controller.Hwnd(), UM_PANEL_COMMAND, word, argument)) {
      FreeText(word);
      FreeText(static_cast<WParam>(argument));
    }
  });
}

void RunConnectivityCheck() {
  Platform& p = Plat();
  HResult com = p.com().Initialize();
  // A process exit passes through Guarded and skips the rest.
  Guarded(0, L"Cannot recover internet connection issue", [&] {
    ThrowIfFailed(com);
    CheckConnection();
  });
  if (com >= 0) p.com().Uninitialize();
  WithController([](CClientDlg& controller) { controller.CheckRunning = false; });
}

}  // namespace

bool CClientDlg::StartConnectivityCheck() { return StartClientWorker(&RunConnectivityCheck); }

bool ControllerServices::StartConnectivityCheck(CClientDlg& controller) {
  return controller.StartConnectivityCheck();
}

}  // namespace zq
