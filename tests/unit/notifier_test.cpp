// Tests of the notifier popup: its step arithmetic, the slide out of each taskbar edge and
// back, Show and Hide in every state, and the hand over its client area.
#include <gtest/gtest.h>

#include "app/Messages.h"
#include "platform/sim/sim_taskbar.h"
#include "shell/TaskbarNotifier.h"
#include "tests/unit/shell_test_util.h"

using namespace zq;
using zq::testing::LogWindow;
using zq::testing::RunFor;
using Edge = zq::sim::SimTaskbar::Edge;

namespace {

using N = CTaskbarNotifier;

TEST(NotifierSteps, DelayAndIncrement) {
  auto steps = [](unsigned time, unsigned precision, unsigned size) {
    N::Steps s = N::SlideSteps(time, precision, size);
    return std::make_pair(s.delay, s.increment);
  };
  EXPECT_EQ(steps(300, 10, 155), std::make_pair(10u, 5u));  // 30 steps
  EXPECT_EQ(steps(200, 10, 155), std::make_pair(10u, 7u));
  EXPECT_EQ(steps(5000, 10, 155), std::make_pair(32u, 1u));  // no more steps than pixels
  EXPECT_EQ(steps(300, 50, 155), std::make_pair(50u, 25u));  // Windows 9x precision
  EXPECT_EQ(steps(10, 10, 155), std::make_pair(10u, 155u));  // not above the precision
  EXPECT_EQ(steps(300, 10, 0), std::make_pair(10u, 0u));     // no skin, no division by 0
}

// A popup set up as the controller sets it up, on a 1024 x 768 screen.
class NotifierTest : public zq::testing::ShellTest {
 protected:
  NotifierTest() {
    desktop.screen = Rect{0, 0, 1024, 768};
    desktop.taskbarShell().PlaceAt(Edge::Bottom, 30);
  }

  struct Popup {
    Popup() {
      n.Create(parent.handle);
      n.SetSkin(IDB_NOTIFIER_SKIN, 255, 0, 255);
      n.SetTextFont(L"Arial", 90, 0, 4);
      n.SetTextColor(0, 0xC80000);
      n.SetTextRect(Rect{10, 60, n.GetSkinWidth() - 5, n.GetSkinHeight() - 5});
    }
    Rect Where() { return Plat().windows().WindowRect(n.Window()); }
    bool Visible() { return Plat().windows().IsVisible(n.Window()); }
    LogWindow parent;
    CTaskbarNotifier n;
  };

  int Timers(WindowHandle window) {
    int count = 0;
    for (auto& [key, timer] : desktop.Timers()) count += key.first == window;
    return count;
  }
};

TEST_F(NotifierTest, SlidesOutOfTheBottomTaskbarStaysAndSlidesBack) {
  InProcess([&] {
    Popup p;
    p.n.Show(L"Hello", 300, 1000, 200);
    EXPECT_EQ(p.n.GetStatus(), N::Idle);  // until the first tick
    EXPECT_EQ(p.Where(), (Rect{800, 738, 1004, 738}));
    EXPECT_TRUE(p.Visible());
    for (int t = 10; t <= 1600; t += 10) {
      RunFor(10);
      if (p.Visible()) {  // never over the taskbar, never below nothing
        Rect r = p.Where();
        ASSERT_EQ(r.bottom, 738) << "at " << t;
        ASSERT_TRUE(r.Height() >= 0 && r.Height() <= 155) << "at " << t;
      }
      if (t == 310) {
        EXPECT_EQ(p.Where(), (Rect{800, 583, 1004, 738}));
        EXPECT_EQ(p.n.GetStatus(), N::Appearing);
      }
      if (t == 320 || t == 1320) {
        EXPECT_EQ(p.n.GetStatus(), N::Waiting) << t;
      }
      if (t == 1330) {
        EXPECT_EQ(p.Where(), (Rect{800, 590, 1004, 738}));
      }
      if (t == 1550) {  // nothing left; hidden on the next tick
        EXPECT_EQ(p.Where(), (Rect{800, 738, 1004, 738}));
        EXPECT_EQ(p.n.GetStatus(), N::Disappearing);
      }
    }
    EXPECT_EQ(p.n.GetStatus(), N::Idle);
    EXPECT_FALSE(p.Visible());
    EXPECT_EQ(p.Where(), (Rect{0, 0, 0, 0}));
    EXPECT_EQ(Timers(p.n.Window()), 0);
  });
}

// The last step grows by what is left and moves the sliding edge with it, so that the
// popup ends against the taskbar also when the size is no multiple of the step.
TEST_F(NotifierTest, EachEdgeSlidesFromTheTaskbar) {
  struct Case {
    Edge edge;
    int thickness;
    unsigned appear;
    Rect start, end;
  };
  const Case cases[] = {
      {Edge::Bottom, 30, 200, {800, 738, 1004, 738}, {800, 583, 1004, 738}},
      {Edge::Right, 40, 300, {984, 613, 984, 768}, {780, 613, 984, 768}},
      {Edge::Right, 30, 200, {994, 613, 994, 768}, {790, 613, 994, 768}},
      {Edge::Left, 30, 200, {30, 613, 30, 768}, {30, 613, 234, 768}},
      {Edge::Top, 30, 200, {820, 30, 1024, 30}, {820, 30, 1024, 185}},
  };
  InProcess([&] {
    Popup p;
    for (const Case& c : cases) {
      desktop.taskbarShell().PlaceAt(c.edge, c.thickness);
      p.n.Show(L"edge", c.appear, 5000, 200);
      EXPECT_EQ(p.Where(), c.start) << c.thickness << " " << c.appear;
      RunFor(c.appear + 100);
      EXPECT_EQ(p.n.GetStatus(), N::Waiting);
      EXPECT_EQ(p.Where(), c.end) << c.thickness << " " << c.appear;
      EXPECT_EQ(p.n.GetPlacement(), static_cast<int>(c.edge));
      p.n.Hide();
    }
  });
}

// A taskbar window of no size (Wine's, when its tray is a window of its own) says nothing
// about the taskbar: the popup slides from the edge the shell reports, and without that from
// the screen's bottom, never from above the top left corner.
TEST_F(NotifierTest, TaskbarWindowOfNoSizeIsPassedOver) {
  InProcess([&] {
    Popup p;
    WindowHandle bar = Plat().windows().FindWindow(0, 0, L"Shell_TrayWnd", L"");
    ASSERT_NE(bar, WindowHandle{0});
    desktop.Window(bar)->rect = Rect{};
    p.n.Show(L"shell", 300, 5000, 200);
    EXPECT_EQ(p.Where(), (Rect{800, 738, 1004, 738}));
    RunFor(400);
    EXPECT_EQ(p.Where(), (Rect{800, 583, 1004, 738}));
    p.n.Hide();
    desktop.taskbar = Rect{};
    p.n.Show(L"screen", 300, 5000, 200);
    EXPECT_EQ(p.Where(), (Rect{800, 768, 1004, 768}));
    RunFor(400);
    EXPECT_EQ(p.Where(), (Rect{800, 613, 1004, 768}));
  });
}

TEST_F(NotifierTest, ShowAndHideInEveryState) {
  InProcess([&] {
    Popup p;
    p.n.Show(L"one", 300, 1000, 200);
    RunFor(100);
    p.n.Show(L"two", 300, 1000, 200);  // appearing: the text only
    EXPECT_EQ(p.n.GetCaption(), L"two");
    EXPECT_EQ(p.Where().Height(), 50);
    RunFor(230);
    EXPECT_EQ(p.n.GetStatus(), N::Waiting);  // 320 ms after the first Show

    RunFor(900);
    p.n.Show(L"three", 300, 1000, 200);  // waiting: the stay begins again
    RunFor(200);
    EXPECT_EQ(p.n.GetStatus(), N::Waiting);
    RunFor(850);
    EXPECT_EQ(p.n.GetStatus(), N::Disappearing);
    EXPECT_LT(p.Where().Height(), 155);
    p.n.Show(L"four", 300, 1000, 200);  // disappearing: full size, waiting
    EXPECT_EQ(p.n.GetStatus(), N::Waiting);
    EXPECT_EQ(p.Where(), (Rect{800, 583, 1004, 738}));
    p.n.Hide();
    EXPECT_EQ(Timers(p.n.Window()), 0);
    EXPECT_FALSE(p.Visible());

    // Hidden before its first tick: the slide must not go on behind the scenes, or the
    // next notification would find the popup "appearing" and only change its text.
    p.n.Show(L"five", 300, 1000, 200);
    p.n.Hide();
    RunFor(1000);
    EXPECT_EQ(p.n.GetStatus(), N::Idle);
    EXPECT_FALSE(p.Visible());
    p.n.Show(L"six", 300, 1000, 200);
    RunFor(400);
    EXPECT_EQ(p.n.GetStatus(), N::Waiting);
    EXPECT_TRUE(p.Visible());
  });
}

TEST_F(NotifierTest, SkinRegionNoSkinPrecisionAndTheHand) {
  InProcess([&] {
    Popup p;
    auto region = [&] { return desktop.Window(p.n.Window())->region; };
    EXPECT_FALSE(region().empty());
    EXPECT_TRUE(p.n.SetSkin(IDB_NOTIFIER_SKIN, 0xFFFF, 0, 255));
    EXPECT_TRUE(region().empty());  // rectangular, though the earlier skin cut it
    EXPECT_EQ(p.n.GetTextRect(), (Rect{0, 0, 204, 155}));

    EXPECT_FALSE(p.n.SetSkin(999, 255, 0, 255));
    EXPECT_EQ(p.n.GetSkinHeight(), 0);
    p.n.Show(L"no skin", 300, 100, 200);  // nothing to slide, and no crash
    RunFor(500);
    EXPECT_EQ(p.n.GetStatus(), N::Idle);
    desktop.osPlatformId = 1;  // Windows 98: coarser timers
    EXPECT_EQ(CTaskbarNotifier().GetTimerPrecision(), 50u);

    // The client area shows the hand; the mouse leaving is u1_notifier_leave.zqs.
    constexpr LParam kClientArea = 1, kCaption = 2;
    Windows& w = Plat().windows();
    EXPECT_EQ(w.Send(p.n.Window(), wm::SetCursor, p.n.Window(), kCaption), 0);
    EXPECT_EQ(desktop.taskbarShell().cursorShape, 0u);
    EXPECT_EQ(w.Send(p.n.Window(), wm::SetCursor, p.n.Window(), kClientArea), 1);
    EXPECT_EQ(desktop.taskbarShell().cursorShape, 32649u);
  });
}

}  // namespace
