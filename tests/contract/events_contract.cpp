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
  bool Saw(WindowEvent event, WindowHandle window) const {
    for (const auto& e : seen)
      if (e.first == event && e.second == window) return true;
    return false;
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
    const struct {
      const char* what;
      std::function<void()> act;
      WindowEvent event;
      WindowHandle window;
    } steps[] = {
        {"a move", [&] { w.MoveWindow(watched, Rect{60, 50, 360, 250}); }, WindowEvent::Location,
         watched},
        {"a resize", [&] { w.MoveWindow(watched, Rect{60, 50, 260, 150}); },
         WindowEvent::Location, watched},
        {"a minimise", [&] { w.Show(watched, sw::Minimize); }, WindowEvent::MinimizeStart,
         watched},
        {"a restore", [&] { w.Show(watched, sw::Restore); }, WindowEvent::MinimizeEnd, watched},
        {"another window in front", [&] { w.SetForeground(other); }, WindowEvent::Foreground,
         other},
    };
    for (const auto& step : steps) {
      events.seen.clear();
      step.act();
      EXPECT_TRUE(PumpUntil([&] { return events.Saw(step.event, step.window); }, 2000))
          << step.what;
    }
    // Another window's moves are not the watched one's.
    events.seen.clear();
    w.MoveWindow(other, Rect{420, 60, 620, 260});
    PumpUntil([] { return false; }, 200);
    EXPECT_FALSE(events.Saw(WindowEvent::Location, other));
    Plat().windowEvents().Unsubscribe(id);
    events.seen.clear();
    w.MoveWindow(watched, Rect{80, 80, 380, 280});
    w.SetForeground(watched);
    PumpUntil([] { return false; }, 200);
    EXPECT_TRUE(events.seen.empty()) << "no event after Unsubscribe";
    w.Destroy(other);
    w.Destroy(watched);
  });
}

}  // namespace
}  // namespace zq::contract
