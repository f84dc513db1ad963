// The controller: the hidden dialog that owns the client's timer and shared state, runs
// the second half of start-up and receives every internal message and tray command.
#pragma once
#include <cstdint>
#include <memory>
#include <set>
#include <string>

#include "app/AppConsts.h"
#include "app/Ini.h"
#include "platform/platform.h"
#include "shell/SystemTray.h"
#include "shell/TaskbarNotifier.h"

namespace zq {

class CStatusDlg;

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
  void WriteSetting(const std::wstring& key, const std::wstring& value);

  // Tray commands and the enable/disable switch.
  void OnExit();
  void Disable();
  void Enable();
  void ToggleEnabled();
  void RefreshLocationSharing();
  void ToggleLocationSharing();
  // Hands a finished status line to the status window, or drops it.
  void AddStatusLine(const std::wstring& line);

  LResult OnMessage(WindowHandle window, unsigned message, WParam wParam,
                    LParam lParam) override;
  bool PreTranslate(WindowHandle window, unsigned message, WParam wParam,
                    LParam lParam) override;

  // Fields, in the order the controller declares them.
  CSystemTray TrayIcon;
  std::unique_ptr<Lock> ConfigLock;
  IconHandle WindowIcon = 0;
  bool Enabled = true;
  bool ConnectionLost = false;
  bool CheckRunning = false;
  bool TimerIdle = true;
  std::wstring AppDirectory;
  std::int64_t StartTime = 0;
  CStatusDlg* StatusWindow = nullptr;
  std::unique_ptr<Lock> ActiveBrowserLock;
  TextList ExcludedInURL;
  TextList ExcludedStartWithURL;
  CTaskbarNotifier Notifier;
  NotificationFields NotificationContent;
  std::set<std::wstring> ShownContentIds;
  CIni Config;
  WindowHandle LastActiveWindow = 0;
  std::wstring LastActiveTitle;
  Rect LastActiveRect;

 private:
  bool OnInitDialog();
  bool CreateTrayIcon();
  void OnTimer();
  bool TickGateAndChangeTest();
  void OnCommand(unsigned id);
  void ApplyMenuState(bool enabled);
  void RestartTimer(unsigned periodMs);

  WindowHandle hwnd_ = 0;
  int quitCode_ = 0;
};

}  // namespace zq
