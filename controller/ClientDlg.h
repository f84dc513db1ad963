// The controller: the hidden dialog that owns the client's timer and shared state, runs
// the second half of start-up and receives every internal message and tray command.
#pragma once
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <set>
#include <string>

#include "app/AppConsts.h"
#include "app/Ini.h"
#include "controller/ServiceSeams.h"
#include "controller/browser/BrowserDetection.h"
#include "panel/ZephquillWnd.h"
#include "platform/platform.h"
#include "shell/SystemTray.h"
#include "shell/TaskbarNotifier.h"

namespace zq {

class CStatusDlg;
struct BrowserPanelRecord;

// The seven fields of the notification being assembled.
struct NotificationFields {
  std::wstring MsgType, Msg, Link, ContentId, ContextType, Context, IsSiteMurmel;
};

class CClientDlg : public WindowHandler {
 public:
  CClientDlg();
  ~CClientDlg() override;
  CClientDlg(const CClientDlg&) = delete;
  CClientDlg& operator=(const CClientDlg&) = delete;

  // Creates the (never shown) dialog window and runs its modal loop until the quit message.
  int DoModal();
  WindowHandle Hwnd() const { return hwnd_; }
  int QuitCode() const { return quitCode_; }

  std::wstring ReadSetting(const std::wstring& key, const std::wstring& def);
  // The configuration file's stamp (Profile::Stamp): unchanged while nobody wrote it.
  std::uint64_t ConfigStamp();
  void WriteSetting(const std::wstring& key, const std::wstring& value);

  // Tray commands and the enable/disable switch.
  void OnExit();
  void Disable();
  void Enable();
  void ToggleEnabled();
  void RefreshLocationSharing();
  void ToggleLocationSharing();
  // Hands a finished status line to the status window, or drops it. Main thread.
  void AddStatusLine(const std::wstring& line);

  // Notifications (Notifications.cpp). Main thread.
  // The show decision for the assembled notification; `displayTimeMs` is decimal text.
  // Throws when the content identifier or the time is not a 32-bit number.
  void ShowNotification(const std::wstring& displayTimeMs);
  // A click on the popup or "clickonnotificationmsg": hides the popup; a "murmel"
  // notification opens its link in a new browser window and starts following it.
  void OnNotificationClicked();
  // UM_SHOW_NOTIFY_PAGE: switches a registered panel to the notification page.
  LResult OnShowNotifyPage(WParam panel, LParam request);

  // Connectivity check and status window (Connectivity.cpp, StatusDlg.cpp). Main thread.
  // Starts the check on its own thread; false when none was started.
  bool StartConnectivityCheck();
  // UM_SHOW_STATUS_WINDOW: creates the status window once, then shows it in front.
  void OnShowStatusWindow();
  // The status window's text; empty while there is none.
  std::wstring StatusText() const;

  // Active-browser tracking and site rules (ActiveBrowser.cpp). Main thread.
  // Follows the foreground browser: its panel, the panel's page and the tray tooltip.
  void UpdateActiveBrowser();
  // The update's steps after detection for a browser found in front: the same path the tick
  // takes, under the same lock. Also how the test build hands the client a browser whose
  // address this Wine cannot read.
  void FollowBrowser(const ActiveBrowserInfo& info);
  // The site rules: false for an address that is excluded or not an http address.
  bool ShouldFollowURL(const std::wstring& address);
  // Attaches a new panel to the info's browser window and registers it; none on failure.
  BrowserPanelRecord* CreateBrowserPanel(const ActiveBrowserInfo& info);
  // Points the two hidden page windows at the service pages, or at the built-in page of
  // the disabled state.
  void RefreshServicePages();
  // "1" creates the start-with-Windows entry, anything else removes it.
  void SetStartWithComputer(const std::wstring& value);
  // A tracking tooltip as it reaches the tray: a text over 63 characters becomes its
  // first 60 characters and "..." (counted in UTF-16 units, never splitting a pair).
  static std::wstring CutTrackingTooltip(const std::wstring& text);

  // The dispatcher of internal messages (Dispatcher.cpp). Main thread. Each handler owns
  // and frees the texts its message carries, on every path.
  LResult OnPanelCommand(WParam word, LParam argument);
  LResult OnSettingStored(WParam key, LParam value);
  LResult OnPanelDestroyed(WParam panel);
  LResult OnClosePanel(WParam record);
  // Attaches a new panel to the record's browser window; 1 without a record.
  LResult OnAssignPanel(WParam record);
  LResult OnTrayIconControl(WParam action, LParam argument);

  // Replaces the services the dispatcher and the tick call (ServiceSeams.h).
  void SetServices(std::unique_ptr<ControllerServices> services);
  ControllerServices& Services() { return *services_; }
  // Sees every status line the controller handles (the scenario runner and tests).
  std::function<void(const std::wstring&)> StatusListener;

  LResult OnMessage(WindowHandle window, unsigned message, WParam wParam, LParam lParam) override;
  bool PreTranslate(WindowHandle window, unsigned message, WParam wParam, LParam lParam) override;

  // Fields, in the order the controller declares them.
  CSystemTray TrayIcon;
  std::unique_ptr<Lock> ConfigLock;
  IconHandle WindowIcon = 0;
  // Shared with the connectivity check's thread, which reads Enabled and writes the others.
  std::atomic<bool> Enabled{true};
  std::atomic<bool> ConnectionLost{false};
  std::atomic<bool> CheckRunning{false};
  bool TimerIdle = true;
  std::wstring AppDirectory;
  std::int64_t StartTime = 0;
  std::unique_ptr<CStatusDlg> StatusWindow;
  std::unique_ptr<Lock> ActiveBrowserLock;
  TextList ExcludedInURL;
  TextList ExcludedStartWithURL;
  CTaskbarNotifier Notifier;
  // Hidden page window of the polling page, titled "ZephquillNotificationWnd".
  ZephquillWnd NotificationWindow;
  NotificationFields NotificationContent;
  // Content identifiers shown in this run: only grows, never saved.
  std::set<std::int32_t> ShownContentIds;
  // The browser window that the last notification click opened.
  WindowHandle LastOpenedBrowser = 0;
  // Hidden page window of the client-load page, titled "ZephquillStartUsingWnd".
  ZephquillWnd StartUsingWindow;
  CIni Config;
  WindowHandle LastActiveWindow = 0;
  std::wstring LastActiveTitle;
  Rect LastActiveRect;
  // The followed browser's window rectangle at the last update that compared it: one
  // rectangle for all browser windows.
  Rect LastBrowserRect;
  // What the tick keeps so that a steady tick reads and builds nothing anew: the last
  // detection (its address's storage), the configuration file's stamp at the last read of
  // "ExcludedInURL", and the tracking tooltip's text.
  ActiveBrowserInfo DetectedBrowser;
  // Written by any thread that writes a setting (which forgets it), read by the tick.
  std::atomic<std::uint64_t> ExcludedInURLStamp{Profile::NoStamp};
  std::wstring TrackingTooltip;

 private:
  bool OnInitDialog();
  bool CreateTrayIcon();
  void CreateStartUsingWindow();
  void CreateNotificationWindow();
  void OnTimer();
  bool TickGateAndChangeTest();
  void OnCommand(unsigned id);
  void ApplyMenuState(bool enabled);
  void RestartTimer(unsigned periodMs);
  void FollowDetectedBrowser(const ActiveBrowserInfo& info);
  void UpdateFollowedBrowser(const ActiveBrowserInfo& info);
  void SetTrackingTooltip(const wchar_t* prefix, const std::wstring& address);
  void OpenServiceWindowFor(unsigned command);
  void RunPanelCommand(const std::wstring& word, const std::wstring& argument);
  void OnNavError(const std::wstring& description);

  WindowHandle hwnd_ = 0;
  int quitCode_ = 0;
  std::unique_ptr<ControllerServices> services_;
};

// The last site address for the panels, under the application's LastSiteLock; "<!NoneIE!>"
// while no browser is in front. GetLastSite returns a copy. Any thread.
void SetLastSite(const std::wstring& site);
std::wstring GetLastSite();

// The first descendant of `window` whose class name is `className`: a direct child first,
// then the direct children of each descendant in turn. 0 when there is none. Any thread.
WindowHandle FindPanelDescendant(WindowHandle window, const std::wstring& className);
// A panel window on `browser`, a child (FindPanelDescendant) or a top-level pop-up of that
// class that the browser owns; 0 when there is none. Any thread.
WindowHandle FindPanelOf(WindowHandle browser, const std::wstring& className);

// The extra query of the notification page: "MurmelId=...&IsNotify=1&IsPerSite=...&", then
// "ctype=...&keywords=...&" when there is a context type; each value percent-encoded.
std::wstring NotificationQuery(const std::wstring& contentId, const std::wstring& isSiteMurmel,
                               const std::wstring& contextType, const std::wstring& context);

}  // namespace zq
