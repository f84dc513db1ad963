// The controller's update and restart: when to update, the outcome boxes, starting the
// new instance, and the once-a-night restart on the local calendar.
#pragma once
#include <cstdint>

#include "platform/types.h"

namespace zq {

class CClientDlg;

// "updateclientversion": the update unless a recent failure holds it back, then the
// outcome box; a success restarts the client. Reports its own failures.
void UpdateClient(CClientDlg& controller);
// Starts "<AppDirectory>\ZephquillClient.exe -LoadWithDelay" and, when it started, runs
// the Exit command. Reports its own failures.
void RestartClient(CClientDlg& controller);
// Restarts during the 4 o'clock hour of any day after the start day. Reports its own
// failures.
void CheckNightlyRestart(CClientDlg& controller);

// Days between the day of the month of a failed update and today by the day-of-month
// arithmetic: today - failed, plus 31 when that is negative.
int DaysSinceFailedUpdate(int today, int failedDay);
// The local calendar time `seconds` before `now` (same time zone offset).
LocalTime LocalTimeBefore(const LocalTime& now, std::int64_t seconds);

}  // namespace zq
