// Active-browser tracking: following the browser window in front with a panel, the site
// rules that decide which addresses are followed, the tray tooltip and the last site.
#include "app/AppConsts.h"
#include "app/ClientApp.h"
#include "app/ErrorReport.h"
#include "app/Messages.h"
#include "app/PanelRegistry.h"
#include "controller/ClientDlg.h"
#include "controller/browser/BrowserDetection.h"
#include "panel/FrontWebBrowser.h"
#include "panel/StartupEntry.h"
#include "panel/ZephquillWnd.h"

namespace zq {

namespace {

constexpr size_t kTooltipMax = 63;   // UTF-16 units the tray shows
constexpr size_t kTooltipKeep = 60;  // units kept in front of "..." when cut
constexpr int kPanelCollapsed = 1;

// The tick's fixed texts, made once so that a steady tick builds none.
const std::wstring& NoBrowserSite() {
  static const std::wstring text = L"<!NoneIE!>";
  return text;
}
const std::wstring& EnabledTooltip() {
  static const std::wstring text = L"Zephquill is enabled";
  return text;
}

// UTF-16 units of one character: two for a character outside the basic plane where
// wchar_t holds whole code points, else one.
size_t Utf16Width(wchar_t c) { return (static_cast<std::uint32_t>(c) >> 16) != 0 ? 2 : 1; }

bool IsHighSurrogate(wchar_t c) { return sizeof(wchar_t) == 2 && c >= 0xD800 && c <= 0xDBFF; }

bool StartsWith(const std::wstring& text, const std::wstring& prefix) {
  return text.size() >= prefix.size() && text.compare(0, prefix.size(), prefix) == 0;
}

// Fills an empty list once from its setting; false when the setting gave nothing.
bool FillFromSetting(CClientDlg& c, TextList& list, const std::wstring& key) {
  std::wstring value = c.ReadSetting(key, L"");
  if (value.empty()) return false;
  list.Split(value);
  return true;
}

}  // namespace

// ---------------------------------------------------------------------------------------
// The last site

void SetLastSite(const std::wstring& site) {
  CClientApp* app = App();
  if (!app) return;
  LockGuard lock(*app->LastSiteLock);
  app->LastSite = site;
}

std::wstring GetLastSite() {
  CClientApp* app = App();
  if (!app) return std::wstring();
  LockGuard lock(*app->LastSiteLock);
  return app->LastSite;
}

// ---------------------------------------------------------------------------------------
// Window search

namespace {

WindowHandle FindInChildrenOf(Windows& w, WindowHandle parent, const std::wstring& className) {
  for (WindowHandle child = w.FirstChild(parent); child; child = w.NextSibling(child)) {
    if (WindowHandle found = w.FindWindow(child, 0, className, L"")) return found;
    if (WindowHandle found = FindInChildrenOf(w, child, className)) return found;
  }
  return 0;
}

}  // namespace

WindowHandle FindPanelDescendant(WindowHandle window, const std::wstring& className) {
  if (!window) return 0;
  Windows& w = Plat().windows();
  if (WindowHandle direct = w.FindWindow(window, 0, className, L"")) return direct;
  return FindInChildrenOf(w, window, className);
}

WindowHandle FindPanelOf(WindowHandle browser, const std::wstring& className) {
  if (WindowHandle child = FindPanelDescendant(browser, className)) return child;
  if (!browser) return 0;
  // Owned pop-ups are top-level windows: GetParent gives their owner.
  Windows& w = Plat().windows();
  for (WindowHandle h = w.FindWindow(0, 0, className, L""); h;
       h = w.FindWindow(0, h, className, L""))
    if ((w.Style(h) & ws::Popup) && w.Parent(h) == browser) return h;
  return 0;
}

// ---------------------------------------------------------------------------------------
// Tooltip

namespace {

// The cut in place: a text over 63 units keeps room for the dots in its own storage.
void CutInPlace(std::wstring& text) {
  size_t units = 0;
  for (wchar_t c : text) units += Utf16Width(c);
  if (units <= kTooltipMax) return;
  size_t keep = 0;
  units = 0;
  while (keep < text.size() && units + Utf16Width(text[keep]) <= kTooltipKeep) {
    units += Utf16Width(text[keep]);
    ++keep;
  }
  // Never leave the first half of a surrogate pair in front of the dots.
  if (keep > 0 && IsHighSurrogate(text[keep - 1])) --keep;
  text.resize(keep);
  text += L"...";
}

}  // namespace

std::wstring CClientDlg::CutTrackingTooltip(const std::wstring& text) {
  std::wstring cut = text;
  CutInPlace(cut);
  return cut;
}

// Built in storage kept from tick to tick; the tray sends it only when it changed.
void CClientDlg::SetTrackingTooltip(const wchar_t* prefix, const std::wstring& address) {
  TrackingTooltip.assign(prefix).append(address);
  CutInPlace(TrackingTooltip);
  TrayIcon.ChangeTooltip(TrackingTooltip);
}

// ---------------------------------------------------------------------------------------
// Site rules

bool CClientDlg::ShouldFollowURL(const std::wstring& address) {
  return GuardedOr(
      false, 2, L"Cannot check if application should or should not be active for the current URL",
      [&] {
        const CAppConsts& k = GetAppConsts();
        if (ExcludedStartWithURL.Count() == 0 &&
            !FillFromSetting(*this, ExcludedStartWithURL, k.ExcludedStartWithURLKey))
          ExcludedStartWithURL.AppendList(k.ExcludedStartWithDefaults);
        // An empty item is a prefix of every address: no site is followed while it is there.
        for (const std::wstring& prefix : ExcludedStartWithURL.Items())
          if (StartsWith(address, prefix)) return false;
        // Without a value the fragment list stays empty and is read again next time, when
        // the configuration file has been written since the last read.
        if (ExcludedInURL.Count() == 0) {
          std::uint64_t stamp = ConfigStamp();
          if (stamp == Profile::NoStamp || stamp != ExcludedInURLStamp) {
            ExcludedInURLStamp = stamp;
            FillFromSetting(*this, ExcludedInURL, k.ExcludedInURLKey);
          }
        }
        for (const std::wstring& fragment : ExcludedInURL.Items())
          if (address.find(fragment) != std::wstring::npos) return false;
        return StartsWith(address, k.HttpPrefix);
      });
}

// ---------------------------------------------------------------------------------------
// The update

void CClientDlg::UpdateActiveBrowser() {
  LockGuard lock(*ActiveBrowserLock);
  Guarded(2, L"Cannot update active browser!!!", [&] {
    // Emptied for this tick; its storage is kept.
    ActiveBrowserInfo& info = DetectedBrowser;
    info.window = 0;
    info.url.clear();
    info.hosting = PanelHosting::Child;
    FindActiveBrowser(info);
    FollowDetectedBrowser(info);
  });
}

void CClientDlg::FollowBrowser(const ActiveBrowserInfo& info) {
  LockGuard lock(*ActiveBrowserLock);
  Guarded(2, L"Cannot update active browser!!!", [&] { FollowDetectedBrowser(info); });
}

void CClientDlg::FollowDetectedBrowser(const ActiveBrowserInfo& info) {
  // Detection may wait (a DDE request, a call into another process) and handle messages
  // meanwhile: a disable handled there ends the update, whose tooltip would undo it.
  if (!Enabled || ConnectionLost) return;
  Windows& w = Plat().windows();
  if (!info.window || !w.IsWindow(info.window) || !w.IsVisible(info.window)) {
    TrayIcon.ChangeTooltip(EnabledTooltip());
    SetLastSite(NoBrowserSite());
    return;
  }
  if (!ShouldFollowURL(info.url)) {
    if (FindPanelOf(info.window, GetAppConsts().ZQFloatWndClassName))
      ReleaseBrowserPanel(info.window);
    SetTrackingTooltip(L"Zephquill ignores ", info.url);
    return;
  }
  UpdateFollowedBrowser(info);
}

// Steps of the update for a followed address: find or make the panel, record the last
// site, relayout after a move, reload for a new address, and say so in the tooltip.
void CClientDlg::UpdateFollowedBrowser(const ActiveBrowserInfo& info) {
  BrowserPanelRecord* record = FindBrowserPanel(info.window);
  bool isNew = false;
  if (!record) {
    // A panel this registry does not own is already there: leave that browser alone.
    if (FindPanelOf(info.window, GetAppConsts().ZQFloatWndClassName)) return;
    record = CreateBrowserPanel(info);
    if (!record) return;
    isNew = true;
  }
  ZephquillWnd* panel = record->Panel.get();
  if (!panel) return;
  if (!panel->Attached || panel->SlideState != kPanelCollapsed) SetLastSite(info.url);
  // A pop-up follows its browser's events; the tick only makes sure that a browser found in
  // front shows its panel, and lays it out again as it does for a child below.
  panel->BrowserInFront();

  Windows& w = Plat().windows();
  Rect browserRect = w.WindowRect(record->BrowserWindow);
  if (browserRect != LastBrowserRect) {
    LastBrowserRect = browserRect;
    w.Post(panel->Hwnd(), wm::Size, 0, 0);
  }
  if (isNew || record->SiteURL != info.url) {
    record->SiteURL = info.url;
    panel->LoadPanelPage(info.url, L"");
  }
  SetTrackingTooltip(L"Site: ", info.url);
}

BrowserPanelRecord* CClientDlg::CreateBrowserPanel(const ActiveBrowserInfo& info) {
  return GuardedOr<BrowserPanelRecord*>(
      nullptr, 2, L"Cannot initialize browser floating window", [&]() -> BrowserPanelRecord* {
        if (!info.window) return nullptr;
        auto record = std::make_unique<BrowserPanelRecord>(info.window, info.url);
        record->OwnedPopup = info.hosting == PanelHosting::OwnedPopup;
        OnAssignPanel(reinterpret_cast<WParam>(record.get()));
        // A record without a panel would keep this browser without one for good: drop it,
        // so that the next tick tries again. Making the panel waits for its hosts while
        // messages are handled; when they disabled the client meanwhile (and so closed
        // every panel), the new one goes too.
        if (!record->Panel || !Enabled) return nullptr;
        return StoreBrowserPanel(info.window, std::move(record));
      });
}

// ---------------------------------------------------------------------------------------
// The hidden page windows and the start-up entry

void CClientDlg::RefreshServicePages() {
  Guarded(0, L"Cannot on/off application logic", [&] {
    if (Enabled) {
      const CAppConsts& k = GetAppConsts();
      StartUsingWindow.NavigatePanel(k.ClientLoadURL);
      NotificationWindow.NavigatePanel(k.PollingURL);
      return;
    }
    unsigned page = ConnectionLost ? IDR_HTML_UNREACHABLE : IDR_HTML_DISABLED;
    for (ZephquillWnd* window : {&StartUsingWindow, &NotificationWindow})
      if (window->FrontBrowser) window->FrontBrowser->LoadFromResource(page);
  });
}

void CClientDlg::SetStartWithComputer(const std::wstring& value) {
  Guarded(0, L"Cannot save settings for computer startup", [&] {
    const std::wstring& name = GetAppConsts().WindowsStartupKey;
    // The entry's own result is not acted on: a missing value to remove is no failure.
    if (value == L"1")
      AddStartupEntry(name);
    else
      RemoveStartupEntry(name);
  });
}

}  // namespace zq
