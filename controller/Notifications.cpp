// Notifications: the show decision with the identifiers already shown, the click that opens
// a "murmel" link in a new browser window, the thread that waits for that window's panel,
// and the switch of the panel to the notification page.
#include <memory>

#include "app/AppConsts.h"
#include "app/ClientApp.h"
#include "app/ClientProcess.h"
#include "app/CommandText.h"
#include "app/ErrorReport.h"
#include "app/Messages.h"
#include "app/PanelRegistry.h"
#include "controller/ClientDlg.h"
#include "panel/CommandUrl.h"
#include "panel/ZephquillWnd.h"

namespace zq {

namespace {

constexpr unsigned kAppearMs = 300;
constexpr unsigned kHideMs = 200;
constexpr unsigned kSearchPauseMs = 500;
// Level of the report of a refused link: a status line, never a box.
constexpr int kRefusalLevel = 2;
// How long a click waits for the client to attach its panel to the new window. A site
// the rules exclude never gets one, so the search must end.
constexpr std::uint64_t kSearchLimitMs = 60000;

const wchar_t kClickFailure[] =
    L"Cannot trace the event you've clicked on [1]. Please go there manually";
const wchar_t kTrackFailure[] =
    L"Cannot trace the event you've clicked on. Please go there manually";

// What a click hands to its tracking thread: copies of the notification's fields, so that
// later notifications cannot change them.
struct NotificationClick {
  WindowHandle Controller = 0;
  WindowHandle BrowserWindow = 0;
  std::wstring Link, ContentId, ContextType, Context, IsSiteMurmel;
};

// The notification page for one panel: the site address and the extra query.
struct NotifyPageRequest {
  std::wstring Link;
  std::wstring ExtraQuery;
};

}  // namespace

// The query that the notification page receives ahead of the panel's own parameters.
// Every value is percent-encoded so that a "&" or "#" in an identifier or keyword cannot
// add or cut parameters.
std::wstring NotificationQuery(const std::wstring& contentId, const std::wstring& isSiteMurmel,
                               const std::wstring& contextType, const std::wstring& context) {
  auto enc = &ZephquillWnd::EncodeQueryValue;
  std::wstring query =
      L"MurmelId=" + enc(contentId) + L"&IsNotify=1&IsPerSite=" + enc(isSiteMurmel) + L"&";
  if (!contextType.empty())
    query += L"ctype=" + enc(contextType) + L"&keywords=" + enc(context) + L"&";
  return query;
}

namespace {

// The tracking thread's work: waits (at most kSearchLimitMs) for a panel inside the opened
// window, then has the controller switch that panel to the notification page.
void TrackNotificationClick(const NotificationClick& click) {
  Guarded(0, kTrackFailure, [&] {
    Platform& p = Plat();
    Windows& w = p.windows();
    // Held: the thread may still search while the client ends.
    const std::shared_ptr<const CAppConsts> k = HoldAppConsts();
    const std::wstring& panelClass = k->ZQFloatWndClassName;
    const std::uint64_t start = p.clock().TickMs();
    // Only the panel's pointer is taken from the registry, under its lock: the main thread
    // may delete the record at any moment, and the controller checks the panel before use.
    ZephquillWnd* panel = nullptr;
    for (;;) {
      // The panel's window exists a moment before the registry holds its record: a window
      // without a record yet counts as not found.
      if (WindowHandle found = FindPanelDescendant(click.BrowserWindow, panelClass)) {
        panel = FindAttachedPanel(w.Parent(found));
        if (!panel) panel = FindAttachedPanel(click.BrowserWindow);
        if (panel) break;
      }
      // A closed window gets no panel, and a window that has none by now will not get one.
      if (!w.IsWindow(click.BrowserWindow) || p.clock().TickMs() - start >= kSearchLimitMs ||
          ClientEnding())
        ThrowFail();
      p.clock().Sleep(kSearchPauseMs);
    }
    // Sent, not posted: the request lives on this thread until the controller is done.
    NotifyPageRequest request{click.Link, NotificationQuery(click.ContentId, click.IsSiteMurmel,
                                                            click.ContextType, click.Context)};
    w.Send(click.Controller, UM_SHOW_NOTIFY_PAGE, reinterpret_cast<WParam>(panel),
           reinterpret_cast<LParam>(&request));
  });
}

}  // namespace

void CClientDlg::ShowNotification(const std::wstring& displayTimeMs) {
  if (ReadSetting(L"shownotifications", L"1") != L"1") return;
  const std::int32_t id = SettingToInt32(NotificationContent.ContentId);
  if (ShownContentIds.count(id)) return;
  const std::int32_t stay = SettingToInt32(displayTimeMs);
  // A negative time would become a stay of weeks in the popup's unsigned arithmetic.
  Notifier.Show(NotificationContent.Msg, kAppearMs, stay < 0 ? 0u : static_cast<unsigned>(stay),
                kHideMs);
  ShownContentIds.insert(id);
}

void CClientDlg::OnNotificationClicked() {
  Guarded(0, kClickFailure, [&] {
    Notifier.Hide();
    if (NotificationContent.MsgType != L"murmel") return;
    // The link comes from a page, and a click may be a page's command: only a web address
    // is opened. A file, a share or a script address would act on the user's machine.
    if (!IsWebAddress(NotificationContent.Link)) {
      ReportError(kRefusalLevel,
                  RefusedAddressText(L"A notification's link", NotificationContent.Link));
      return;
    }
    Platform& p = Plat();
    std::unique_ptr<IEApplication> browser;
    HResult created = p.ieApps().Create(false, browser);
    if (created != hr::NoInterface) ThrowIfFailed(created);
    ThrowIfNull(browser);
    ThrowIfFailed(browser->SetStatusBar(true));
    ThrowIfFailed(browser->SetToolBar(true));
    ThrowIfFailed(browser->SetMenuBar(true));
    ThrowIfFailed(browser->SetVisible(true));
    ThrowIfFailed(browser->SetFullScreen(false));
    ThrowIfFailed(browser->Navigate(NotificationContent.Link, 0, L"", {}, L""));
    WindowHandle window = 0;
    ThrowIfFailed(browser->Window(window));
    LastOpenedBrowser = window;
    browser.reset();
    p.windows().SetWindowPos(window, 0, Rect{}, swp::NoMove | swp::NoSize);

    auto click = std::make_shared<NotificationClick>();
    click->Controller = hwnd_;
    click->BrowserWindow = LastOpenedBrowser;
    click->Link = NotificationContent.Link;
    click->ContentId = NotificationContent.ContentId;
    click->ContextType = NotificationContent.ContextType;
    click->Context = NotificationContent.Context;
    click->IsSiteMurmel = NotificationContent.IsSiteMurmel;
    if (!StartClientWorker([click] { TrackNotificationClick(*click); })) ThrowFail();
  });
}

LResult CClientDlg::OnShowNotifyPage(WParam panelParam, LParam requestParam) {
  const auto* request = reinterpret_cast<const NotifyPageRequest*>(requestParam);
  const std::wstring link = request ? request->Link : std::wstring();
  Guarded(0, L"Cannot show information for site " + link, [&] {
    auto* panel = reinterpret_cast<ZephquillWnd*>(panelParam);
    ThrowIfNull(request);
    // The panel may have been closed while the tracking thread waited for its turn.
    if (!IsRegisteredPanel(panel)) ThrowFail();
    Plat().windows().Send(panel->Hwnd(), UM_PANEL_SET_BASE_URL,
                          GiveText(GetAppConsts().DefaultNotifyURL), GiveLParamText(L""));
    panel->LoadPanelPage(request->Link, request->ExtraQuery);
  });
  return 0;
}

// ---------------------------------------------------------------------------------------
// The services' defaults for notifications

void ControllerServices::ShowNotification(CClientDlg& controller,
                                          const std::wstring& displayTimeMs) {
  controller.ShowNotification(displayTimeMs);
}

void ControllerServices::NotificationClicked(CClientDlg& controller) {
  controller.OnNotificationClicked();
}

}  // namespace zq
