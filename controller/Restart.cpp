// Update and restart on the controller's thread: the failed-update memory in the
// configuration file, the outcome boxes, the restart command line and the nightly check.
#include "controller/Restart.h"

#include "app/AppConsts.h"
#include "app/ErrorReport.h"
#include "app/Text.h"
#include "controller/AutoUpdater.h"
#include "controller/ClientDlg.h"

namespace zq {

namespace {

const wchar_t kUpdateCaption[] = L"Software update service.";
const wchar_t kFailedStampKey[] = L"ClientUpdateErrorTimestamp";

// Days since 1970-01-01 of a civil date, and back (proleptic Gregorian).
std::int64_t DaysFromCivil(int y, int m, int d) {
  y -= m <= 2;
  std::int64_t era = (y >= 0 ? y : y - 399) / 400;
  unsigned yoe = static_cast<unsigned>(y - era * 400);
  unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + static_cast<std::int64_t>(doe) - 719468;
}

void CivilFromDays(std::int64_t z, int& y, int& m, int& d) {
  z += 719468;
  std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  unsigned doe = static_cast<unsigned>(z - era * 146097);
  unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  unsigned mp = (5 * doy + 2) / 153;
  d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  y = static_cast<int>(static_cast<std::int64_t>(yoe) + era * 400 + (m <= 2 ? 1 : 0));
}

}  // namespace

int DaysSinceFailedUpdate(int today, int failedDay) {
  int days = today - failedDay;
  return days < 0 ? days + 31 : days;
}

LocalTime LocalTimeBefore(const LocalTime& now, std::int64_t seconds) {
  std::int64_t t = DaysFromCivil(now.year, now.month, now.day) * 86400 + now.hour * 3600 +
                   now.minute * 60 + now.second - seconds;
  std::int64_t days = t >= 0 ? t / 86400 : (t - 86399) / 86400;
  std::int64_t rest = t - days * 86400;
  LocalTime lt;
  CivilFromDays(days, lt.year, lt.month, lt.day);
  lt.hour = static_cast<int>(rest / 3600);
  lt.minute = static_cast<int>(rest / 60 % 60);
  lt.second = static_cast<int>(rest % 60);
  lt.dayOfWeek = static_cast<int>(((days % 7) + 11) % 7);  // 1970-01-01 was a Thursday
  return lt;
}

void UpdateClient(CClientDlg& controller) {
  Guarded(0,
          L"Cannot update client to most up to date version. You may download it from "
          L"ZephquillHub site directly",
          [&] {
            Platform& p = Plat();
            int today = p.clock().Local().day;
            std::int32_t failedDay = SettingToInt32(controller.ReadSetting(kFailedStampKey, L"0"));
            if (failedDay != 0) {
              int threshold =
                  SettingToInt32(controller.ReadSetting(L"UpdateIntervalThreshold", L"0"));
              if (DaysSinceFailedUpdate(today, failedDay) <= threshold) return;
            }
            CAutoUpdater updater;
            if (updater.Update(GetAppConsts().UpdateClientURL) != CAutoUpdater::Updated) {
              p.windows().MessageBox(
                  0,
                  L"We are truely sorry, but our servers could not update Zephquill.\r\n\r\n"
                  L"You may just download and re-install it directly from ZephquillHub\r\n",
                  kUpdateCaption, mb::IconError | mb::Topmost);
              controller.WriteSetting(kFailedStampKey, std::to_wstring(today));
              return;
            }
            controller.WriteSetting(kFailedStampKey, L"0");
            p.windows().MessageBox(
                controller.Hwnd(),
                L"Zephquill updated successfully.\r\n\r\nClick OK to launch the new version...",
                kUpdateCaption, mb::IconInformation | mb::Topmost);
            RestartClient(controller);
          });
}

void RestartClient(CClientDlg& controller) {
  Guarded(0, L"Cannot restart Zephquill application. Please restart it manually", [&] {
    std::wstring exe = controller.AppDirectory + L"\\ZephquillClient.exe";
    std::wstring commandLine = Format(L"\"%ls\" -LoadWithDelay", exe.c_str());
    if (Plat().processes().CreateProcess(commandLine)) controller.OnExit();
  });
}

void CheckNightlyRestart(CClientDlg& controller) {
  Guarded(0, L"Cannot execute nightly restart the Zephquill application", [&] {
    Clock& clock = Plat().clock();
    LocalTime now = clock.Local();
    LocalTime start = LocalTimeBefore(now, clock.Now() - controller.StartTime);
    if (now.day != start.day && now.hour == 4) RestartClient(controller);
  });
}

// The controller's services run the update and restart of this file.
void ControllerServices::UpdateClient(CClientDlg& controller) { zq::UpdateClient(controller); }
void ControllerServices::RestartClient(CClientDlg& controller) { zq::RestartClient(controller); }
void ControllerServices::CheckNightlyRestart(CClientDlg& controller) {
  zq::CheckNightlyRestart(controller);
}

}  // namespace zq
