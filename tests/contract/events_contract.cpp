// Contract cases of the window events: a watched window's move, minimise and restore, and a
// change of the window in front reach the subscriber while its thread pumps; none after it
// unsubscribed.
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
    bool came = PumpUntil(
        [&] {
          for (const auto& e : seen)
            if (e.first == event && e.second == window) return true;
          return false;
        },
        ms);
    seen.clear();
    return came;
  }
};

TEST(EventsContract, MoveMinimiseRestoreAndForegroundReachTheSubscriber) {
  ZQ_SKIP_ON_WINE(
      "Wine 8.0 raises no location, minimise or foreground events for windows (a hook over "
      "every event sees only EVENT_OBJECT_FOCUS); the end-to-end test has the stand-in raise "
      "them as Windows does");
  TheDesktop().Run([] {
    Windows& w = Plat().windows();
    Recorder watchedWindow, otherWindow;
    const std::uint32_t style = ws::Overlapped | ws::Caption | ws::Visible;
    WindowHandle watched = Open(watchedWindow, style, 0, Rect{40, 40, 340, 240});
    WindowHandle other = Open(otherWindow, style, 0, Rect{400, 40, 600, 240});
    Events events;
    WindowEventSubscription id = Plat().windowEvents().Subscribe(watched, &events);
    ASSERT_NE(id, 0u);
    w.MoveWindow(watched, Rect{60, 50, 360, 250});
    EXPECT_TRUE(events.Awaits(WindowEvent::Location, watched)) << "a move";
    w.MoveWindow(watched, Rect{60, 50, 260, 150});
    EXPECT_TRUE(events.Awaits(WindowEvent::Location, watched)) << "a resize";
    w.Show(watched, sw::Minimize);
    EXPECT_TRUE(events.Awaits(WindowEvent::MinimizeStart, watched));
    w.Show(watched, sw::Restore);
    EXPECT_TRUE(events.Awaits(WindowEvent::MinimizeEnd, watched));
    w.SetForeground(other);
    EXPECT_TRUE(events.Awaits(WindowEvent::Foreground, other));
    w.MoveWindow(other, Rect{420, 60, 620, 260});
    EXPECT_FALSE(events.Awaits(WindowEvent::Location, other, 200)) << "not the watched window";
    Plat().windowEvents().Unsubscribe(id);
    w.MoveWindow(watched, Rect{80, 80, 380, 280});
    EXPECT_FALSE(events.Awaits(WindowEvent::Location, watched, 200)) << "after Unsubscribe";
    w.Destroy(other);
    w.Destroy(watched);
  });
}

}  // namespace
}  // namespace zq::contract
