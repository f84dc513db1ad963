// Tests of the notification-area icon (its record as the shell receives it, what reaches
// the shell while the icon is hidden, shown or gone, the mouse on it, its animation, hiding
// a window into the tray) and of the notifier popup (its region, step arithmetic, the slide
// out of each taskbar edge and back, Show and Hide in every state, the hand over it).
#include <gtest/gtest.h>

#include <cstdint>

#include "app/Messages.h"
#include "app/Text.h"
#include "platform/sim/sim_taskbar.h"
#include "shell/Splash.h"
#include "shell/SystemTray.h"
#include "shell/TaskbarNotifier.h"
#include "tests/unit/shell_test_util.h"

using namespace zq;

namespace {

std::uint32_t Read32(const std::vector<unsigned char>& b, size_t at) {
  return b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) |
         (static_cast<std::uint32_t>(b[at + 3]) << 24);
}

std::uint16_t Unit(const std::vector<unsigned char>& b, size_t index) {
  return static_cast<std::uint16_t>(b[24 + 2 * index] | (b[25 + 2 * index] << 8));
}

TEST(TrayRecord, LayoutIsTheShellsFirstVersion) {
  NotifyIconData d;
  d.window = 0x10012;
  d.id = 130;
  d.callbackMessage = UM_TRAYICON_CALLBACK;
  d.icon = 0x700C2;
  d.tip = L"Zephquill is DISABLED\r\nYour not visible...";
  std::vector<unsigned char> b = CSystemTray::Serialize(d, nim::FlagIcon | nim::FlagTip);
  ASSERT_EQ(b.size(), 152u);
  const std::uint32_t fields[] = {152, 0x10012, 130, 6, 0x800A, 0x700C2};
  for (size_t i = 0; i < 6; ++i) EXPECT_EQ(Read32(b, 4 * i), fields[i]) << "field " << i;
  for (size_t i = 0; i < 64; ++i)
    EXPECT_EQ(Unit(b, i), i < d.tip.size() ? d.tip[i] : 0) << "unit " << i;
}

// 61 'x', a character beyond the basic plane (two UTF-16 units), then 'y': the shell gets
// the tooltip cut to 63 UTF-16 units, never inside a character.
std::wstring TipFillingTheLastTwoUnits() {
  return FromUtf8(std::string(61, 'x') + "\xF0\x9F\x98\x80" + "y");
}

using zq::testing::LogWindow;
using zq::testing::RunFor;
using Log = std::vector<std::pair<unsigned, WParam>>;

class TrayTest : public zq::testing::ShellTest {
 protected:
  LResult Callback(CSystemTray& tray, unsigned id, LParam mouse) {
    return Plat().windows().Send(tray.Window(), UM_TRAYICON_CALLBACK, id, mouse);
  }
  size_t ShellCalls() { return TraceWith(" tray icon ").size(); }
};

ZQ_IN_PROCESS_TEST(TrayTest, HiddenIconTakesChangesWithoutTheShell) {
  Resources& r = Plat().resources();
  CSystemTray tray;
  EXPECT_TRUE(tray.AddIcon(0, UM_TRAYICON_CALLBACK, L"Zephquill", r.LoadIcon(194), 130, true));
  EXPECT_TRUE(tray.IsHidden());
  EXPECT_TRUE(tray.ChangeTooltip(L"Zephquill is enabled"));
  EXPECT_TRUE(tray.ChangeIcon(r.LoadIcon(198)));
  EXPECT_EQ(tray.Tooltip(), L"Zephquill is enabled");
  EXPECT_EQ(r.IconId(tray.CurrentIcon()), 198u);
  EXPECT_EQ(ShellCalls(), 0u);  // nothing reached the shell
  // The icon's window goes with the icon object.
  WindowHandle window = 0;
  {
    CSystemTray gone;
    gone.AddIcon(0, UM_TRAYICON_CALLBACK, L"Z", 0, 131, true);
    window = gone.Window();
  }
  EXPECT_NE(window, 0u);
  EXPECT_FALSE(Plat().windows().IsWindow(window));
}

ZQ_IN_PROCESS_TEST(TrayTest, ShownIconPassesChangesAndGoesAwayOnce) {
  Resources& r = Plat().resources();
  CSystemTray tray;
  ASSERT_TRUE(tray.AddIcon(0, UM_TRAYICON_CALLBACK, L"Zephquill", r.LoadIcon(194), 130, false));
  ASSERT_EQ(desktop.trayIcons.size(), 1u);
  // The icon's window is the tray's own when no parent is given.
  EXPECT_EQ(desktop.trayIcons[0].data.window, tray.Window());
  EXPECT_TRUE(tray.ChangeTooltip(std::wstring(70, L'z')));
  EXPECT_EQ(desktop.trayIcons[0].data.tip, std::wstring(63, L'z'));
  EXPECT_TRUE(tray.ChangeTooltip(TipFillingTheLastTwoUnits()));
  EXPECT_EQ(desktop.trayIcons[0].data.tip, FromUtf8(std::string(61, 'x') + "\xF0\x9F\x98\x80"));
  EXPECT_TRUE(tray.ChangeIconResource(196));
  EXPECT_EQ(r.IconId(desktop.trayIcons[0].data.icon), 196u);
  // What the shell already holds is not sent again.
  size_t held = ShellCalls();
  EXPECT_TRUE(tray.ChangeIconResource(196));
  EXPECT_TRUE(tray.ChangeTooltip(TipFillingTheLastTwoUnits() + L"z"));
  EXPECT_EQ(ShellCalls(), held);

  EXPECT_TRUE(tray.DeleteIcon());
  EXPECT_TRUE(desktop.trayIcons.empty());
  size_t calls = ShellCalls();
  EXPECT_TRUE(tray.DeleteIcon());
  EXPECT_TRUE(tray.ChangeTooltip(L"after"));
  EXPECT_EQ(ShellCalls(), calls);
}

// A new taskbar gets the icon back with its latest state (tray_mouse.zqs, tray_fails.zqs);
// here: the shell restarts and forgets its icons, so a failed change is sent again, never
// taken for held, and the new taskbar gets it; a deleted icon stays away.
ZQ_IN_PROCESS_TEST(TrayTest, NewTaskbarGetsAFailedChangeButNoDeletedIcon) {
  Windows& w = Plat().windows();
  unsigned taskbarCreated = w.RegisterMessage(L"TaskbarCreated");
  CSystemTray tray;
  ASSERT_TRUE(tray.AddIcon(0, UM_TRAYICON_CALLBACK, L"Zephquill", 0, 130, false));
  desktop.trayIcons.clear();
  EXPECT_FALSE(tray.ChangeTooltip(L"again"));
  EXPECT_FALSE(tray.ChangeTooltip(L"again"));
  w.Send(tray.Window(), taskbarCreated, 0, 0);
  ASSERT_EQ(desktop.trayIcons.size(), 1u);
  EXPECT_EQ(desktop.trayIcons[0].data.tip, L"again");
  EXPECT_TRUE(tray.DeleteIcon());
  w.Send(tray.Window(), taskbarCreated, 0, 0);
  EXPECT_TRUE(desktop.trayIcons.empty());
}

ZQ_IN_PROCESS_TEST(TrayTest, MouseMessagesBecomeCommandsForTheTarget) {
  CSystemTray tray;
  ASSERT_TRUE(tray.AddIcon(0, UM_TRAYICON_CALLBACK, L"Z", 0, TRAY_ICON_ID, false));
  EXPECT_EQ(Callback(tray, TRAY_ICON_ID, wm::LButtonDown), 0);  // no target, no controller
  LogWindow target;
  tray.SetTargetWindow(target.handle);
  tray.SetDefaultMenuItem(ID_WHERE_ARE_MY_FRIENDS, false);
  EXPECT_EQ(Callback(tray, TRAY_ICON_ID + 1, wm::RButtonUp), 0);  // another icon's
  EXPECT_TRUE(target.log.empty());

  desktop.cursor = Point{1200, 1000};
  desktop.menuChoices.push_back(ID_DISABLE_ENABLE);
  EXPECT_EQ(Callback(tray, TRAY_ICON_ID, 0x00070000 | wm::RButtonUp), 1);
  Plat().windows().PumpPending();
  EXPECT_EQ(target.log, (Log{{wm::Command, ID_DISABLE_ENABLE}, {wm::Null, 0}}));
  EXPECT_EQ(desktop.foreground, target.handle);
  EXPECT_EQ(TraceWith("popup menu at 1200,1000").size(), 1u);

  auto after = [&](unsigned mouse) {
    target.log.clear();
    EXPECT_EQ(Callback(tray, TRAY_ICON_ID, mouse), 1);
    return target.log;
  };
  EXPECT_EQ(after(wm::LButtonDblClk), (Log{{wm::Command, ID_WHERE_ARE_MY_FRIENDS}}));
  desktop.keysDown = {0x11};  // Control alone
  EXPECT_EQ(after(wm::LButtonDblClk), (Log{{wm::Command, ID_WHERE_ARE_MY_FRIENDS}}));
  desktop.keysDown = {0x11, 0x12};  // Control and Alt
  EXPECT_EQ(after(wm::LButtonDblClk), (Log{{UM_SHOW_STATUS_WINDOW, 0}}));
  desktop.keysDown.clear();
  tray.SetDefaultMenuItem(10, true);  // "Disable" by its position
  EXPECT_EQ(after(wm::LButtonDblClk), (Log{{wm::Command, ID_DISABLE_ENABLE}}));
  EXPECT_EQ(after(wm::LButtonDown), (Log{{UM_TRAY_ICON_CONTROL, TRAY_ACTION_LEFT_CLICK}}));
  EXPECT_EQ(after(wm::MouseMove), Log{});
}

// Without shell support everything fails but Delete; without a menu the menu clicks are
// not handled.
ZQ_IN_PROCESS_TEST(TrayTest, WithoutShellSupportOrMenu) {
  desktop.osMajorVersion = 3;
  CSystemTray old;
  EXPECT_FALSE(old.AddIcon(0, UM_TRAYICON_CALLBACK, L"Zephquill", 0, 130, false));
  EXPECT_FALSE(old.ChangeTooltip(L"x"));
  EXPECT_FALSE(old.ChangeIcon(0));
  EXPECT_TRUE(old.DeleteIcon());
  EXPECT_EQ(ShellCalls(), 0u);
  desktop.osMajorVersion = 5;
  CSystemTray tray;
  EXPECT_FALSE(tray.AddIcon(0, UM_TRAYICON_CALLBACK, L"Z", 0, 999, false));  // no menu 999
  LogWindow target;
  tray.SetTargetWindow(target.handle);
  EXPECT_EQ(Callback(tray, 999, wm::RButtonUp) + Callback(tray, 999, wm::LButtonDblClk), 0);
  Plat().windows().PumpPending();
  EXPECT_TRUE(target.log.empty());
}

// Elapsed time is rounded to whole seconds and must exceed the duration: with 500 ms
// frames and 2 s, the tick at 2.0 s animates and the tick at 2.5 s (3 s rounded) ends it.
ZQ_IN_PROCESS_TEST(TrayTest, AnimationRunsForItsDurationOrUntilEnded) {
  Resources& r = Plat().resources();
  CSystemTray tray;
  ASSERT_TRUE(tray.AddIcon(0, UM_TRAYICON_CALLBACK, L"Z", r.LoadIcon(194), 130, false));
  EXPECT_TRUE(tray.LoadAnimationFrames(146, 148));  // 148 is no icon: an empty frame
  EXPECT_EQ(tray.Frames(), (std::vector<IconHandle>{r.LoadIcon(146), r.LoadIcon(147), 0}));
  EXPECT_TRUE(tray.LoadAnimationFrames(146, 147));
  EXPECT_FALSE(tray.LoadAnimationFrames(147, 146));
  EXPECT_EQ(tray.Frames(), (std::vector<IconHandle>{r.LoadIcon(146), r.LoadIcon(147)}));

  ASSERT_TRUE(tray.StartAnimation(500, 2));
  RunFor(4000);
  std::vector<std::pair<long, std::string>> shown;
  for (auto& [ms, line] : TraceWith("modified: icon"))
    shown.emplace_back(ms, line.substr(line.find("icon ", line.find("modified")) + 5));
  EXPECT_EQ(shown, (std::vector<std::pair<long, std::string>>{
                       {500, "147"}, {1000, "146"}, {1500, "147"}, {2000, "146"}, {2500, "194"}}));
  EXPECT_FALSE(tray.IsAnimating());
  EXPECT_EQ(desktop.Timers().count({tray.Window(), TRAY_ANIMATION_TIMER_ID}), 0u);

  ASSERT_TRUE(tray.StartAnimation(750, 0));
  RunFor(10000);
  EXPECT_TRUE(tray.IsAnimating());
  EXPECT_TRUE(tray.EndAnimation());
  EXPECT_EQ(r.IconId(desktop.trayIcons[0].data.icon), 194u);
  EXPECT_FALSE(tray.EndAnimation());
}

ZQ_IN_PROCESS_TEST(TrayTest, HidingIntoTheTrayArea) {
  Windows& w = Plat().windows();
  // The notification area less the clock at its right end.
  EXPECT_EQ(CSystemTray::TrayAreaRect(), (Rect{1150, 996, 1228, 1022}));

  LogWindow main;
  w.MoveWindow(main.handle, Rect{100, 100, 400, 300});
  w.Show(main.handle, sw::Show);
  CSystemTray::HideWindowToTray(main.handle);
  EXPECT_EQ(w.Style(main.handle) & ws::Visible, 0u);  // hidden itself, not only its parent
  WindowHandle parking = desktop.Window(main.handle)->parent;
  EXPECT_EQ(w.ClassName(parking), L"ZQTrayParkingWindow");
  LogWindow other;
  CSystemTray::HideWindowToTray(other.handle);
  EXPECT_EQ(desktop.Window(other.handle)->parent, parking);  // one for the process

  CSystemTray::ShowWindowFromTray(main.handle);
  EXPECT_EQ(desktop.Window(main.handle)->parent, desktop.DesktopHandle());
  EXPECT_TRUE(w.IsVisible(main.handle));
  EXPECT_EQ(desktop.foreground, main.handle);
  auto zooms = TraceWith(" zooms the caption of ");
  ASSERT_EQ(zooms.size(), 3u);
  EXPECT_NE(zooms[0].second.find("from 100,100,400,300 to 1150,996,1228,1022"), std::string::npos);
  EXPECT_NE(zooms[2].second.find("from 1150,996,1228,1022 to 100,100,400,300"), std::string::npos);
  desktop.taskbarShell().minimizeAnimation = false;
  CSystemTray::HideWindowToTray(main.handle);
  EXPECT_EQ(TraceWith(" zooms the caption of ").size(), 3u);

  // A side taskbar keeps its clock above the icons; without the taskbar's windows the
  // shell's position decides; without that, the corner of the work area.
  desktop.taskbarShell().PlaceAt(sim::SimTaskbar::Edge::Left, 30);
  EXPECT_EQ(CSystemTray::TrayAreaRect(), (Rect{2, 914, 28, 1022}));
  desktop.taskbarShell().Remove();
  EXPECT_EQ(CSystemTray::TrayAreaRect(), (Rect{0, 924, 30, 1008}));
  desktop.taskbar = Rect{};
  EXPECT_EQ(CSystemTray::TrayAreaRect(), (Rect{1130, 994, 1280, 1024}));
  // A clock whose bottom is 5 px above the area's sits beside the icons, not below them.
  auto make = [&](const wchar_t* cls, WindowHandle parent, Rect r) {
    return w.Create({cls, L"", parent ? ws::Child : ws::Popup, 0, r, parent, nullptr, 0});
  };
  WindowHandle notify =
      make(L"TrayNotifyWnd", make(L"Shell_TrayWnd", 0, {0, 0, 200, 40}), Rect{100, 0, 200, 40});
  make(L"TrayClockWClass", notify, Rect{60, 10, 100, 35});
  EXPECT_EQ(CSystemTray::TrayAreaRect(), (Rect{100, 0, 160, 40}));
}

// The banner paints its picture, and after closing it can be shown again.
ZQ_IN_PROCESS_TEST(TrayTest, SplashShowsItsPictureEachTime) {
  CSplash splash(IDB_SPLASH, Rgb(255, 0, 255));
  for (int round = 0; round < 2; ++round) {
    splash.Show();
    ASSERT_NE(splash.Window(), 0u) << "round " << round;
    EXPECT_NE(desktop.Window(splash.Window())->picture, nullptr);
    splash.Close();
  }
}

constexpr std::uint32_t K = 0xFF00FF;  // the colour key
constexpr std::uint32_t O = 0x123456;  // any other colour

Bitmap Picture(int width, std::vector<std::uint32_t> pixels) {
  Bitmap b;
  b.width = width;
  b.height = static_cast<int>(pixels.size()) / width;
  b.pixels = std::move(pixels);
  return b;
}

// Opaque runs per row from the bottom up; a run in the last column ends at the width; rows
// of the key colour give nothing.
TEST(NotifierRegion, RunsPerRowFromTheBottom) {
  const struct {
    int width;
    std::vector<std::uint32_t> pixels;
    std::vector<Rect> runs;
  } cases[] = {{5,
                {K, O, O, K, K, O, K, O, O, K, O, O, O, O, O},
                {{0, 2, 5, 3}, {0, 1, 1, 2}, {2, 1, 4, 2}, {1, 0, 3, 1}}},
               {4, {K, K, K, O, K, O, O, O}, {{1, 1, 4, 2}, {3, 0, 4, 1}}},
               {1, {O, K, O}, {{0, 2, 1, 3}, {0, 0, 1, 1}}},
               {3, {K, K, K, O, K, O, K, K, K}, {{0, 1, 1, 2}, {2, 1, 3, 2}}},
               {2, {K, K, K, K}, {}}};
  for (const auto& c : cases)
    EXPECT_EQ(CTaskbarNotifier::GenerateRegion(Picture(c.width, c.pixels), K), c.runs);
}

using Edge = zq::sim::SimTaskbar::Edge;
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

ZQ_IN_PROCESS_TEST(NotifierTest, SlidesOutOfTheBottomTaskbarStaysAndSlidesBack) {
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
}

// The last step grows by what is left and moves the sliding edge with it, so that the
// popup ends against the taskbar also when the size is no multiple of the step. A taskbar
// window of no size (Wine's, when its tray is a window of its own) says nothing: the popup
// slides from the edge the shell reports, and without that from the screen's bottom.
ZQ_IN_PROCESS_TEST(NotifierTest, EachEdgeSlidesFromTheTaskbar) {
  enum Lost { kNothing, kBarWindow, kShellToo };
  struct Case {
    Edge edge;
    int thickness;
    unsigned appear;
    Rect start, end;
    Lost lost;
  };
  const Case cases[] = {
      {Edge::Bottom, 30, 200, {800, 738, 1004, 738}, {800, 583, 1004, 738}, kNothing},
      {Edge::Right, 40, 300, {984, 613, 984, 768}, {780, 613, 984, 768}, kNothing},
      {Edge::Right, 30, 200, {994, 613, 994, 768}, {790, 613, 994, 768}, kNothing},
      {Edge::Left, 30, 200, {30, 613, 30, 768}, {30, 613, 234, 768}, kNothing},
      {Edge::Top, 30, 200, {820, 30, 1024, 30}, {820, 30, 1024, 185}, kNothing},
      {Edge::Bottom, 30, 300, {800, 738, 1004, 738}, {800, 583, 1004, 738}, kBarWindow},
      {Edge::Bottom, 30, 300, {800, 768, 1004, 768}, {800, 613, 1004, 768}, kShellToo}};
  Popup p;
  for (const Case& c : cases) {
    desktop.taskbarShell().PlaceAt(c.edge, c.thickness);
    if (c.lost != kNothing)
      desktop.Window(Plat().windows().FindWindow(0, 0, L"Shell_TrayWnd", L""))->rect = Rect{};
    if (c.lost == kShellToo) desktop.taskbar = Rect{};
    p.n.Show(L"edge", c.appear, 5000, 200);
    EXPECT_EQ(p.Where(), c.start) << c.thickness << " " << c.appear << " " << c.lost;
    RunFor(c.appear + 100);
    EXPECT_EQ(p.n.GetStatus(), N::Waiting);
    EXPECT_EQ(p.Where(), c.end) << c.thickness << " " << c.appear << " " << c.lost;
    EXPECT_EQ(p.n.GetPlacement(), static_cast<int>(c.edge));
    p.n.Hide();
  }
}

ZQ_IN_PROCESS_TEST(NotifierTest, ShowAndHideInEveryState) {
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
}

ZQ_IN_PROCESS_TEST(NotifierTest, SkinRegionNoSkinPrecisionAndTheHand) {
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
}

}  // namespace
