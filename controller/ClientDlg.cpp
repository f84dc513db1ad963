// The controller's start-up, its tick, its message map, the configuration reads and writes,
// and the tray commands that switch the client off, on and out.
#include "controller/ClientDlg.h"

#include "app/ClientApp.h"
#include "app/ClientProcess.h"
#include "app/CommandText.h"
#include "app/ControllerAccess.h"
#include "app/ErrorReport.h"
#include "app/Messages.h"
#include "controller/StatusDlg.h"
#include "shell/Splash.h"

namespace zq {

namespace {
constexpr int kTrayAttempts = 20;
constexpr unsigned kTrayAttemptWaitMs = 3000;
constexpr unsigned kSysCommandClose = 0x0010;
constexpr int kIconSmall = 0, kIconBig = 1;
constexpr WParam kEscape = 27;
}  // namespace

CClientDlg::CClientDlg()
    : ConfigLock(Plat().threads().NewLock()),
      ActiveBrowserLock(Plat().threads().NewLock()),
      services_(std::make_unique<ControllerServices>()) {
  WindowIcon = Plat().resources().LoadIcon(IDI_MAIN);
}

CClientDlg::~CClientDlg() {
  if (hwnd_ && CurrentPlatform()) Plat().windows().Destroy(hwnd_);
}

int CClientDlg::DoModal() {
  Windows& w = Plat().windows();
  WindowSpec desc;
  desc.className = L"#32770";
  desc.style = ws::Popup | ws::Caption | ws::SysMenu;
  desc.rect = Rect{0, 0, 282, 36};  // 188 x 22 dialog units
  desc.handler = this;
  hwnd_ = w.Create(desc);
  if (!hwnd_) {
    ReportError(0, L"Cannot create dialog window");
    return -1;
  }
  w.Send(hwnd_, wm::InitDialog, 0, 0);
  // The dialog manager shows a dialog once it is initialised; the controller refuses.
  if (w.IsWindow(hwnd_)) w.Show(hwnd_, sw::Show);
  int result = w.IsWindow(hwnd_) ? w.RunModalLoop(hwnd_) : -1;
  if (w.IsWindow(hwnd_)) w.Destroy(hwnd_);
  hwnd_ = 0;
  return result;
}

std::wstring CClientDlg::ReadSetting(const std::wstring& key, const std::wstring& def) {
  LockGuard lock(*ConfigLock);
  return Config.GetString(L"General", key.c_str(), def.c_str());
}

std::uint64_t CClientDlg::ConfigStamp() {
  LockGuard lock(*ConfigLock);
  return Config.Stamp();
}

void CClientDlg::WriteSetting(const std::wstring& key, const std::wstring& value) {
  LockGuard lock(*ConfigLock);
  Config.WriteString(L"General", key.c_str(), value.c_str());
  // The file's stamp (write time and size) may not move with a write of the same size
  // within the file system's time resolution: the client's own writes never hide behind it.
  ExcludedInURLStamp = Profile::NoStamp;
}

// ---------------------------------------------------------------------------------------
// Start-up

bool CClientDlg::CreateTrayIcon() {
  Platform& p = Plat();
  std::wstring tooltip = p.resources().String(IDS_TRAY_TOOLTIP).value_or(L"Zephquill");
  for (int attempt = 1; attempt <= kTrayAttempts; ++attempt) {
    IconHandle icon = p.resources().LoadIcon(IDI_TRAY_SHARING);
    bool added = TrayIcon.AddIcon(0, UM_TRAYICON_CALLBACK, tooltip, icon, TRAY_ICON_ID, false);
    p.clock().Sleep(kTrayAttemptWaitMs);
    if (added) return true;
  }
  return false;
}

// The two hidden page windows: never shown, owned by the controller; what they load is
// decided by RefreshServicePages. Start-up goes on without a window that failed.
void CClientDlg::CreateStartUsingWindow() {
  Guarded(0,
          L"Cannot create 'start using' window. Automatic login or some other startup "
          L"functionality may be inactive",
          [&] {
            StartUsingWindow.CreateHidden(hwnd_, L"ZephquillStartUsingWnd",
                                          ws::ExAppWindow | ws::ExToolWindow);
            StartUsingWindow.BrowserWindow = hwnd_;
          });
}

void CClientDlg::CreateNotificationWindow() {
  Guarded(0, L"Cannot create notification window. You may not get any notifications", [&] {
    NotificationWindow.CreateHidden(hwnd_, L"ZephquillNotificationWnd", ws::ExAppWindow);
    NotificationWindow.BrowserWindow = hwnd_;
  });
}

bool CClientDlg::OnInitDialog() {
  bool result = false;
  bool ok = Guarded(0, L"Cannot initialize main application window. Exiting the application", [&] {
    Platform& p = Plat();
    p.threads().Start(&RunSplashThread);

    std::wstring directory = p.processes().ModulePath().substr(0, 260);
    size_t slash = directory.rfind(L'\\');
    if (slash != std::wstring::npos) directory.erase(slash);
    Config.SetPathName((directory + L"\\ZQConfig.ini").c_str());
    AppDirectory = directory;

    CAppConsts& consts = GetAppConsts();
    for (TextList* list : {&ExcludedInURL, &ExcludedStartWithURL}) {
      list->SetSeparator(L";");
      list->Clear();
      list->Split(consts.EmptyText);
    }

    if (!CreateTrayIcon()) {
      p.windows().MessageBox(hwnd_,
                             L"Cannot create application tray icon.\nApplication cannot "
                             L"continue it's execution.\nPlease make sure it is not already "
                             L"running and/or restart you computer. ",
                             L"Cannot start Zephquill Application", mb::IconError);
      OnExit();
      return;
    }
    TrayIcon.ChangeTooltip(L"Zephquill is enabled");
    TrayIcon.SetDefaultMenuItem(ID_WHERE_ARE_MY_FRIENDS, false);

    p.windows().Send(hwnd_, wm::SetIcon, kIconSmall, static_cast<LParam>(WindowIcon));
    p.windows().Send(hwnd_, wm::SetIcon, kIconBig, static_cast<LParam>(WindowIcon));

    Notifier.Create(hwnd_);
    Notifier.SetSkin(IDB_NOTIFIER_SKIN, 255, 0, 255);
    Notifier.SetTextFont(L"Arial", 90, 0, 4);
    Notifier.SetTextColor(Rgb(0, 0, 0), Rgb(0, 0, 200));
    Notifier.SetTextRect(Rect{10, 60, Notifier.GetSkinWidth() - 5, Notifier.GetSkinHeight() - 5});

    WriteSetting(L"VersionCode", L"11");
    StartTime = p.clock().Now();
    RefreshLocationSharing();
    CreateStartUsingWindow();
    CreateNotificationWindow();
    RefreshServicePages();
    p.windows().SetTimer(hwnd_, CONTROLLER_TIMER_ID, CONTROLLER_TIMER_ENABLED_MS);
    result = false;
  });
  if (!ok) OnExit();
  return result;
}

// ---------------------------------------------------------------------------------------
// The tick

// True when the tick goes on to the update; also keeps the three-tick memory of the
// controller thread's own active window.
bool CClientDlg::TickGateAndChangeTest() {
  Platform& p = Plat();
  if (!Enabled) {
    // While disabled for an unreachable service the connectivity check starts from here,
    // one at a time; its thread clears CheckRunning when it ends.
    if (ConnectionLost && !CheckRunning) {
      CheckRunning = true;
      if (!services_->StartConnectivityCheck(*this)) CheckRunning = false;
    }
    return false;
  }
  if (ConnectionLost) return false;
  Windows& w = p.windows();
  WindowHandle active = w.ActiveWindow();
  std::wstring title = active ? w.Title(active) : std::wstring();
  Rect rect = active ? w.WindowRect(active) : Rect{};
  if (active && active == LastActiveWindow && !title.empty() && title == LastActiveTitle &&
      rect == LastActiveRect)
    return false;
  bool same = active != 0 && active == LastActiveWindow;
  bool sameTitle = same && !title.empty() && title == LastActiveTitle;
  LastActiveWindow = active;
  LastActiveTitle = same ? title : std::wstring();
  LastActiveRect = sameTitle ? rect : Rect{};
  return true;
}

void CClientDlg::OnTimer() {
  if (!TimerIdle) return;
  TimerIdle = false;
  struct Restore {
    bool& flag;
    ~Restore() { flag = true; }
  } restore{TimerIdle};
  if (!TickGateAndChangeTest()) return;
  UpdateActiveBrowser();
  services_->CheckNightlyRestart(*this);
}

// ---------------------------------------------------------------------------------------
// Tray commands, enable and disable

void CClientDlg::RestartTimer(unsigned periodMs) {
  Windows& w = Plat().windows();
  w.KillTimer(hwnd_, CONTROLLER_TIMER_ID);
  w.SetTimer(hwnd_, CONTROLLER_TIMER_ID, periodMs);
}

void CClientDlg::ApplyMenuState(bool enabled) {
  MenuItem* popup = TrayIcon.Popup();
  if (!popup) return;
  for (MenuItem& entry : popup->popup) {
    if (entry.separator || entry.id == ID_APP_EXIT) continue;
    if (!enabled && entry.id == ID_APP_ABOUT) continue;
    if (entry.id == ID_DISABLE_ENABLE) {
      entry.text = enabled ? L"Disable" : L"Enable";
      continue;
    }
    entry.grayed = !enabled;
  }
}

void CClientDlg::Disable() {
  Guarded(0, L"Cannot disable the application due to an error. As alternative, you may close it",
          [&] {
            TrayIcon.ChangeIconResource(IDI_TRAY_DISABLED);
            TrayIcon.ChangeTooltip(L"Zephquill is DISABLED\r\nYour not visible...");
            TrayIcon.SetDefaultMenuItem(ID_DISABLE_ENABLE, false);
            Enabled = false;
            LastActiveWindow = 0;
            LastActiveTitle.clear();
            LastActiveRect = Rect{};
            RestartTimer(CONTROLLER_TIMER_DISABLED_MS);
            if (App()) App()->CloseAllPanels();
            if (MenuItem* popup = TrayIcon.Popup()) {
              for (MenuItem& entry : popup->popup)
                if (entry.id == ID_SHARE_MY_LOCATION) entry.checked = false;
              ApplyMenuState(false);
              RefreshServicePages();
            }
          });
}

void CClientDlg::Enable() {
  Guarded(0,
          L"Cannot enable the application due to an error. You may re-start it manually "
          L"(close it and then run it)",
          [&] {
            RefreshLocationSharing();
            TrayIcon.ChangeTooltip(L"Zephquill is enabled");
            TrayIcon.SetDefaultMenuItem(ID_WHERE_ARE_MY_FRIENDS, false);
            Enabled = true;
            if (TrayIcon.Popup()) {
              ApplyMenuState(true);
              RestartTimer(CONTROLLER_TIMER_ENABLED_MS);
              RefreshServicePages();
            }
          });
}

void CClientDlg::ToggleEnabled() {
  if (Enabled)
    Disable();
  else
    Enable();
}

void CClientDlg::RefreshLocationSharing() {
  bool sharing = ReadSetting(L"ShowOthersMyLocation", L"true") == L"true";
  TrayIcon.ChangeIconResource(sharing ? IDI_TRAY_SHARING : IDI_TRAY_NOT_SHARING);
  if (MenuItem* popup = TrayIcon.Popup()) {
    for (MenuItem& entry : popup->popup)
      if (entry.id == ID_SHARE_MY_LOCATION) entry.checked = sharing;
  }
}

void CClientDlg::ToggleLocationSharing() {
  bool sharing = ReadSetting(L"ShowOthersMyLocation", L"true") == L"true";
  WriteSetting(L"ShowOthersMyLocation", sharing ? L"false" : L"true");
  RefreshLocationSharing();
}

void CClientDlg::OnExit() {
  Disable();
  TrayIcon.DeleteIcon();
  Plat().windows().PostQuit(0);
}

void CClientDlg::OnCommand(unsigned id) {
  Platform& p = Plat();
  switch (id) {
    case ID_APP_ABOUT:
      p.shell().Open(GetAppConsts().OnAboutURL);
      break;
    case ID_SEND_FEEDBACK:
      p.shell().Open(GetAppConsts().SendFeedbackURL);
      break;
    case ID_SHARE_MY_LOCATION:
      ToggleLocationSharing();
      break;
    case ID_DISABLE_ENABLE:
      ToggleEnabled();
      break;
    case ID_APP_EXIT:
      OnExit();
      break;
    case ID_WHERE_ARE_MY_FRIENDS:
    case ID_MY_FRIENDS:
    case ID_MY_EVENTS:
    case ID_MY_SETTINGS:
      OpenServiceWindowFor(id);
      break;
    default:
      break;
  }
}

void CClientDlg::AddStatusLine(const std::wstring& line) {
  if (StatusListener) Quietly([&] { StatusListener(line); });
  // Without a status window the line is dropped.
  if (!StatusWindow || !Plat().windows().IsWindow(StatusWindow->Hwnd())) return;
  WParam text = GiveText(line);
  if (!Plat().windows().Post(StatusWindow->Hwnd(), UM_STATUS_MESSAGE, text, 0)) FreeText(text);
}

// ---------------------------------------------------------------------------------------
// Messages

bool CClientDlg::PreTranslate(WindowHandle window, unsigned message, WParam wParam, LParam lParam) {
  bool keyboard = message >= wm::KeyFirst && message <= wm::KeyLast;
  bool mouse = message >= wm::MouseFirst && message <= wm::MouseLast;
  return (keyboard || mouse) && wParam == kEscape;
}

LResult CClientDlg::OnMessage(WindowHandle window, unsigned message, WParam wParam, LParam lParam) {
  Windows& w = Plat().windows();
  switch (message) {
    case wm::InitDialog:
      return OnInitDialog() ? 1 : 0;
    case wm::SysCommand:
      if ((wParam & 0xFFF0) == kSysCommandClose) return 0;
      return w.DefaultProc(window, message, wParam, lParam);
    case wm::QueryDragIcon:
      return static_cast<LResult>(WindowIcon);
    case wm::Close:
      CSystemTray::HideWindowToTray(window);  // into the tray; the controller never closes
      return 0;
    case wm::Size: {
      LResult r = w.DefaultProc(window, message, wParam, lParam);
      if (wParam == 1) Quietly([&] { CSystemTray::HideWindowToTray(window); });
      return r;
    }
    case wm::WindowPosChanging:
      // Never shown, and never activated either: showing the modal dialog at the start of
      // its loop would otherwise take the foreground (and the keyboard) from the window
      // the user works in, and the tracking would see no browser in front.
      if (lParam) {
        auto* pos = reinterpret_cast<WindowPos*>(lParam);
        pos->flags = (pos->flags & ~swp::ShowWindow) | swp::NoActivate;
      }
      return w.DefaultProc(window, message, wParam, lParam);
    case wm::Timer:
      OnTimer();
      return 0;
    case wm::Command:
      OnCommand(static_cast<unsigned>(wParam & 0xFFFF));
      return 0;
    case UM_STATUS_MESSAGE: {
      OwnedText line(wParam);
      AddStatusLine(line.Text());
      return 0;
    }
    case UM_PANEL_COMMAND:
      return OnPanelCommand(wParam, lParam);
    case UM_SETTING_STORED:
      return OnSettingStored(wParam, lParam);
    case UM_PANEL_DESTROYED:
      return OnPanelDestroyed(wParam);
    case UM_CLOSE_PANEL:
      return OnClosePanel(wParam);
    case UM_ASSIGN_PANEL:
      return OnAssignPanel(wParam);
    case UM_TRAY_ICON_CONTROL:
      return OnTrayIconControl(wParam, lParam);
    case UM_NOTIFICATION_CLICKED:
      services_->NotificationClicked(*this);
      return 0;
    case UM_SHOW_NOTIFY_PAGE:
      return OnShowNotifyPage(wParam, lParam);
    case UM_SHOW_STATUS_WINDOW:
      OnShowStatusWindow();
      return 0;
    default:
      return w.DefaultProc(window, message, wParam, lParam);
  }
}

// ---------------------------------------------------------------------------------------
// What the rest of the client reaches through the application object

bool WithController(const std::function<void(CClientDlg&)>& body) {
  CClientApp* app = App();
  if (!app) return false;
  LockGuard hold(*app->ControllerLock);
  if (!app->Controller) return false;
  body(*app->Controller);
  return true;
}

std::wstring ControllerReadSetting(const std::wstring& key, const std::wstring& def) {
  std::wstring value = def;
  WithController([&](CClientDlg& c) { value = c.ReadSetting(key, def); });
  return value;
}

WindowHandle ControllerWindow() {
  WindowHandle window = 0;
  WithController([&](CClientDlg& c) { window = c.Hwnd(); });
  return window;
}

void ControllerStatusLine(const std::wstring& line) {
  WindowHandle controller = ControllerWindow();
  if (!controller) return;
  WParam text = GiveText(line);
  if (!Plat().windows().Post(controller, UM_STATUS_MESSAGE, text, 0)) FreeText(text);
}

}  // namespace zq
