// The controller's handlers of internal messages: the pages' command words, stored
// settings, panels being attached, closed and destroyed, and the tray icon's control.
#include "app/AppConsts.h"
#include "app/ClientApp.h"
#include "app/CommandText.h"
#include "app/ErrorReport.h"
#include "app/Messages.h"
#include "app/PanelRegistry.h"
#include "app/Text.h"
#include "controller/ClientDlg.h"
#include "controller/NotificationFieldText.h"
#include "panel/ZephquillWnd.h"

namespace zq {

namespace {

// Start of the report of a failed command; the lower-cased word (or the key) follows.
const wchar_t kCommandFailure[] =
    L"Are you sure you're using the most updated version?\r\n Please check for newer "
    L"version available.\r\nCannot perfrom custom operation called ";

constexpr unsigned kAnimationStepMs = 750;

}  // namespace

void CClientDlg::SetServices(std::unique_ptr<ControllerServices> services) {
  services_ = services ? std::move(services) : std::make_unique<ControllerServices>();
}

// ---------------------------------------------------------------------------------------
// Page commands

LResult CClientDlg::OnPanelCommand(WParam wordParam, LParam argumentParam) {
  OwnedText wordText(wordParam);
  OwnedText argumentText(static_cast<WParam>(argumentParam));
  // The word is matched in lower case; the argument keeps the case it was sent in.
  std::wstring word = ToLower(wordText.Text());
  Guarded(0, kCommandFailure + word, [&] { RunPanelCommand(word, argumentText.Text()); });
  return 0;
}

// The words in the order they are tried. The operations behind the click, start-up
// entry, enable/disable, exit, restart and update report their own failures.
void CClientDlg::RunPanelCommand(const std::wstring& word, const std::wstring& argument) {
  const CAppConsts& k = GetAppConsts();
  NotificationFields& n = NotificationContent;
  if (word == k.ClearNotifyContentCmd) {
    n = NotificationFields{};
    n.IsSiteMurmel = L"false";
  } else if (word == k.NextNotificationMsgTypeCmd) {
    n.MsgType = argument;
  } else if (word == k.NextNotificationMsgCmd) {
    n.Msg = DecodeNotificationMsg(argument);
  } else if (word == k.NextNotificationLinkCmd) {
    n.Link = argument;
  } else if (word == k.NextNotificationContentIdCmd) {
    n.ContentId = argument;
  } else if (word == k.NextNotificationContextTypeCmd) {
    n.ContextType = argument;
  } else if (word == k.NextNotificationIsSiteMurmelCmd) {
    n.IsSiteMurmel = argument;
  } else if (word == k.NextNotificationContextCmd) {
    n.Context = DecodeNotificationContext(argument);
  } else if (word == k.ClickOnNotificationMsgCmd) {
    services_->NotificationClicked(*this);
  } else if (word == k.ShowNotificationMsgCmd) {
    services_->ShowNotification(*this, argument);
  } else if (word == k.StartWithComputerCmd) {
    SetStartWithComputer(argument);
  } else if (word == k.EnableOrDisableCmd) {
    ToggleEnabled();
  } else if (word == k.NavErrorCmd) {
    OnNavError(argument);
  } else if (word == k.AppClientExitCmd) {
    Disable();
    OnExit();
  } else if (word == k.AppClientRestartCmd) {
    services_->RestartClient(*this);
  } else if (word == k.TraceMessageCmd) {
    AddStatusLine(argument + L"\r\n");
  } else if (word == k.UpdateClientVersionCmd) {
    services_->UpdateClient(*this);
  } else {
    AddStatusLine(L"An unknown command [" + word + L"] was requested with paramenter [" + argument +
                  L"]. throwing an exception.\r\n");
    ThrowFail();
  }
}

// A page could not be loaded: the service counts as unreachable and the client switches
// itself off until the connectivity check finds the service again.
void CClientDlg::OnNavError(const std::wstring& description) {
  AddStatusLine(description + L"\r\n");
  ConnectionLost = true;
  if (Enabled) ToggleEnabled();
  TrayIcon.ChangeIconResource(IDI_TRAY_UNREACHABLE);
  TrayIcon.ChangeTooltip(L"Zephquill is DISABLED\r\nCannot connect to servers...");
}

LResult CClientDlg::OnSettingStored(WParam keyParam, LParam valueParam) {
  OwnedText key(keyParam);
  OwnedText value(static_cast<WParam>(valueParam));
  Guarded(0, kCommandFailure + key.Text(), [&] {
    if (key.Text() == L"ShowOthersMyLocation") RefreshLocationSharing();
  });
  return 0;
}

// ---------------------------------------------------------------------------------------
// Panels

LResult CClientDlg::OnPanelDestroyed(WParam panel) {
  Guarded(0, L"Cannot delete Zephquill Wnd", [&] {
    if (panel) RemoveBrowserPanelOf(reinterpret_cast<const ZephquillWnd*>(panel));
  });
  return 0;
}

LResult CClientDlg::OnClosePanel(WParam recordParam) {
  auto* record = reinterpret_cast<BrowserPanelRecord*>(recordParam);
  Windows& w = Plat().windows();
  if (!record || !record->Panel || !w.IsWindow(record->Panel->Hwnd())) return 1;
  w.Send(record->Panel->Hwnd(), wm::Close, 0, 0);
  return 0;
}

LResult CClientDlg::OnAssignPanel(WParam recordParam) {
  auto* record = reinterpret_cast<BrowserPanelRecord*>(recordParam);
  if (!record) return 1;
  Guarded(1, L"Cannot assign floating window to the active browser", [&] {
    // The panel places itself at the browser's bottom right corner, 1 x 1, on top of its
    // siblings; its placement gives it its real size later. A failed creation deletes it.
    auto panel = std::make_unique<ZephquillWnd>();
    panel->Attached = 1;
    panel->CreateAttached(record->BrowserWindow, record->SiteURL, record->OwnedPopup);
    record->Panel = std::move(panel);
  });
  return 0;
}

// ---------------------------------------------------------------------------------------
// Tray icon

LResult CClientDlg::OnTrayIconControl(WParam action, LParam argument) {
  // Only the tooltip action carries a text; it is freed on every path.
  OwnedText tooltip(action == TRAY_ACTION_CHANGE_TOOLTIP ? static_cast<WParam>(argument) : 0);
  Guarded(2, L"Cannot set tray icon", [&] {
    switch (action) {
      case TRAY_ACTION_START_ANIMATION:
        TrayIcon.LoadAnimationFrames(IDI_TRAY_ANIM_FIRST, IDI_TRAY_ANIM_LAST);
        TrayIcon.StartAnimation(kAnimationStepMs, static_cast<unsigned>(argument));
        break;
      case TRAY_ACTION_END_ANIMATION:
        TrayIcon.EndAnimation();
        break;
      case TRAY_ACTION_CHANGE_ICON:
        TrayIcon.ChangeIconResource(static_cast<unsigned>(argument));
        break;
      case TRAY_ACTION_CHANGE_TOOLTIP:
        TrayIcon.ChangeTooltip(tooltip.Text());
        break;
      default:
        break;  // the tray's left click (4) and anything else
    }
  });
  return 0;
}

// ---------------------------------------------------------------------------------------
// Tray commands that open service windows

void CClientDlg::OpenServiceWindowFor(unsigned command) {
  const CAppConsts& k = GetAppConsts();
  struct Target {
    const wchar_t* title;
    const std::wstring* address;
    const wchar_t* failure;
  };
  Target t{};
  switch (command) {
    case ID_WHERE_ARE_MY_FRIENDS:
      t = {L"WhereAreMyFriends", &k.WhereAreMyFriendsURL, L"Cannot open friends location window"};
      break;
    case ID_MY_FRIENDS:
      t = {L"My Friends", &k.ManageMyFriendsURL, L"Cannot open friends window"};
      break;
    case ID_MY_EVENTS:
      t = {L"My Events", &k.MyEventsURL, L"Cannot open events window"};
      break;
    case ID_MY_SETTINGS:
      t = {L"Settings", &k.ZQSettingsURL, L"Cannot open settings window"};
      break;
    default:
      return;
  }
  Guarded(0, t.failure, [&] { OpenServiceWindow(t.title, *t.address); });
}

}  // namespace zq
