// Contract cases that detection of today's browsers relies on: a watched window's events
// reach the subscriber while its thread pumps, and the program behind a window.
#include <algorithm>

#include "tests/contract/contract.h"

namespace zq::contract {
namespace {

struct Events : WindowEventSink {
  std::vector<std::pair<WindowEvent, WindowHandle>> seen;
  void OnWindowEvent(WindowEvent event, WindowHandle window) override {
    seen.emplace_back(event, window);
  }
  // Pumps until the event came (true) or `ms` passed; forgets what came before.
  bool Awaits(WindowEvent event, WindowHandle window, unsigned ms = 2000) {
    const std::pair<WindowEvent, WindowHandle> e{event, window};
    bool came = PumpUntil([&] { return std::find(seen.begin(), seen.end(), e) != seen.end(); }, ms);
    seen.clear();
    return came;
  }
};

// A watched window's events and a new foreground reach the subscriber; another window's
// move does not, nor anything after Unsubscribe.
ZQ_CONTRACT(EventsContract, MoveMinimiseRestoreAndForegroundReachTheSubscriber) {
  if (TheDesktop().IsWine())
    GTEST_SKIP() << "not under Wine: Wine 8.0 raises no location, minimise or foreground "
                    "events for windows (the end-to-end test's stand-in raises them)";
  Recorder watchedWindow, otherWindow;
  const std::uint32_t style = ws::Overlapped | ws::Caption | ws::Visible;
  WindowHandle watched = Open(watchedWindow, style, 0, Rect{40, 40, 340, 240});
  WindowHandle other = Open(otherWindow, style, 0, Rect{400, 40, 600, 240});
  Events events;
  WindowEventSubscription id = Plat().windowEvents().Subscribe(watched, &events);
  ASSERT_NE(id, 0u);
  W().MoveWindow(watched, Rect{60, 50, 360, 250});
  EXPECT_TRUE(events.Awaits(WindowEvent::Location, watched)) << "a move";
  W().MoveWindow(watched, Rect{60, 50, 260, 150});
  EXPECT_TRUE(events.Awaits(WindowEvent::Location, watched)) << "a resize";
  W().Show(watched, sw::Minimize);
  EXPECT_TRUE(events.Awaits(WindowEvent::MinimizeStart, watched));
  W().Show(watched, sw::Restore);
  EXPECT_TRUE(events.Awaits(WindowEvent::MinimizeEnd, watched));
  W().SetForeground(other);
  EXPECT_TRUE(events.Awaits(WindowEvent::Foreground, other));
  W().MoveWindow(other, Rect{420, 60, 620, 260});
  EXPECT_FALSE(events.Awaits(WindowEvent::Location, other, 200)) << "not the watched window";
  Plat().windowEvents().Unsubscribe(id);
  W().MoveWindow(watched, Rect{80, 80, 380, 280});
  EXPECT_FALSE(events.Awaits(WindowEvent::Location, watched, 200)) << "after Unsubscribe";
  W().Destroy(other);
  W().Destroy(watched);
}

// A window's program is its process's executable; calls on no element fail.
ZQ_CONTRACT(AccessibilityContract, ProgramOfAWindowAndCallsOnNothing) {
  Accessibility& a = Plat().accessibility();
  Recorder r;
  WindowHandle w = Open(r);
  WindowProgram program;
  ASSERT_TRUE(a.ProgramOf(w, program));
  std::wstring module = Plat().processes().ModulePath();
  EXPECT_EQ(program.executable, module.substr(module.find_last_of(L"\\/") + 1));
  EXPECT_NE(program.pid, 0u);
  W().Destroy(w);
  EXPECT_FALSE(a.ProgramOf(w, program));
  std::wstring value = L"left over";
  AccessibleElement found = 1;
  EXPECT_EQ(a.Value(0, 100, value), AccessResult::Failed);
  EXPECT_EQ(a.FindFirst(0, {}, {}, 100, found), AccessResult::Failed);
  EXPECT_TRUE(value.empty() && found == 0) << "the out-parameters are cleared";
  a.Release(0);
}

}  // namespace
}  // namespace zq::contract
