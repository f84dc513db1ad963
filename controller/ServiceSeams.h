// The controller's calls into services whose work lives outside the tracking and the
// dispatcher: the notification popup and its clicks, update and restart, connectivity check.
#pragma once
#include <string>

#include "app/ControllerAccess.h"
#include "platform/types.h"

namespace zq {

class CClientDlg;

// What the dispatcher and the tick ask of the notification, update, restart and
// connectivity logic. The controller owns one object of this kind (CClientDlg::Services);
// the parts that do the work install a derived object with CClientDlg::SetServices.
// The defaults of the notification and connectivity operations run the controller's own
// (Notifications.cpp, Connectivity.cpp); those of update and restart run Restart.cpp's.
// Every operation runs on the controller's thread.
class ControllerServices {
 public:
  virtual ~ControllerServices() = default;

  // "shownotificationmsg": offers the assembled notification (the controller's
  // NotificationContent) to the popup for `displayTimeMs` (decimal text). A failure is
  // thrown; the dispatcher reports it as the command's failure.
  virtual void ShowNotification(CClientDlg& controller, const std::wstring& displayTimeMs);
  // A click on the popup, or "clickonnotificationmsg". Reports its own failures.
  virtual void NotificationClicked(CClientDlg& controller);
  // "updateclientversion". Reports its own failures.
  virtual void UpdateClient(CClientDlg& controller);
  // "appclientrestart" (and the end of a successful update). Reports its own failures.
  virtual void RestartClient(CClientDlg& controller);
  // Runs on every enabled tick after the active-browser update. Reports its own failures.
  virtual void CheckNightlyRestart(CClientDlg& controller);
  // Starts the connectivity check on its own thread, which clears the controller's
  // CheckRunning when it ends. False when nothing was started.
  virtual bool StartConnectivityCheck(CClientDlg& controller);

 protected:
  static void Note(const std::wstring& what) { ControllerStatusLine(what + L"\r\n"); }
};

}  // namespace zq
