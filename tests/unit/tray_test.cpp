// Tests of the notification-area icon (its record as the shell receives it, what reaches
// the shell while the icon is hidden, shown or gone, the mouse on it, its animation, hiding
// a window into the tray) and of the notifier popup's region.
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
  int ShellCalls() {
    int n = 0;
    for (const std::string& line : desktop.TraceLines())
      if (line.find(" tray icon ") != std::string::npos) ++n;
    return n;
  }
};

TEST_F(TrayTest, HiddenIconTakesChangesWithoutTheShell) {
  InProcess([&] {
    Resources& r = Plat().resources();
    CSystemTray tray;
    EXPECT_TRUE(tray.AddIcon(0, UM_TRAYICON_CALLBACK, L"Zephquill", r.LoadIcon(194), 130, true));
    EXPECT_TRUE(tray.IsHidden());
    EXPECT_TRUE(tray.ChangeTooltip(L"Zephquill is enabled"));
    EXPECT_TRUE(tray.ChangeIcon(r.LoadIcon(198)));
    EXPECT_EQ(tray.Tooltip(), L"Zephquill is enabled");
    EXPECT_EQ(r.IconId(tray.CurrentIcon()), 198u);
    EXPECT_TRUE(desktop.trayIcons.empty());
    EXPECT_EQ(ShellCalls(), 0);
    // The icon's window goes with the icon object.
    WindowHandle window = 0;
    {
      CSystemTray gone;
      gone.AddIcon(0, UM_TRAYICON_CALLBACK, L"Z", 0, 131, true);
      window = gone.Window();
    }
    EXPECT_NE(window, 0u);
    EXPECT_FALSE(Plat().windows().IsWindow(window));
  });
}

TEST_F(TrayTest, ShownIconPassesChangesAndGoesAwayOnce) {
  InProcess([&] {
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
    int held = ShellCalls();
    EXPECT_TRUE(tray.ChangeIconResource(196));
    EXPECT_TRUE(tray.ChangeTooltip(TipFillingTheLastTwoUnits() + L"z"));
    EXPECT_EQ(ShellCalls(), held);

    EXPECT_TRUE(tray.DeleteIcon());
    EXPECT_TRUE(desktop.trayIcons.empty());
    int calls = ShellCalls();
    EXPECT_TRUE(tray.DeleteIcon());
    EXPECT_TRUE(tray.ChangeTooltip(L"after"));
    EXPECT_EQ(ShellCalls(), calls);
  });
}

// A new taskbar gets the icon back with its latest state (tray_mouse.zqs, tray_fails.zqs);
// here: the shell restarts and forgets its icons, so a failed change is sent again, never
// taken for held, and the new taskbar gets it; a deleted icon stays away.
TEST_F(TrayTest, NewTaskbarGetsAFailedChangeButNoDeletedIcon) {
  InProcess([&] {
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
  });
}

// The mouse on the icon, the animation and hiding into the tray.
class TrayMouseTest : public TrayTest {};

TEST_F(TrayMouseTest, MouseMessagesBecomeCommandsForTheTarget) {
  InProcess([&] {
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
  });
}

// Without shell support everything fails but Delete; without a menu the menu clicks are
// not handled.
TEST_F(TrayTest, WithoutShellSupportOrMenu) {
  InProcess([&] {
    desktop.osMajorVersion = 3;
    CSystemTray old;
    EXPECT_FALSE(old.AddIcon(0, UM_TRAYICON_CALLBACK, L"Zephquill", 0, 130, false));
    EXPECT_FALSE(old.ChangeTooltip(L"x"));
    EXPECT_FALSE(old.ChangeIcon(0));
    EXPECT_TRUE(old.DeleteIcon());
    EXPECT_EQ(ShellCalls(), 0);
    desktop.osMajorVersion = 5;
    CSystemTray tray;
    EXPECT_FALSE(tray.AddIcon(0, UM_TRAYICON_CALLBACK, L"Z", 0, 999, false));  // no menu 999
    LogWindow target;
    tray.SetTargetWindow(target.handle);
    EXPECT_EQ(Callback(tray, 999, wm::RButtonUp) + Callback(tray, 999, wm::LButtonDblClk), 0);
    Plat().windows().PumpPending();
    EXPECT_TRUE(target.log.empty());
  });
}

// Elapsed time is rounded to whole seconds and must exceed the duration: with 500 ms
// frames and 2 s, the tick at 2.0 s animates and the tick at 2.5 s (3 s rounded) ends it.
TEST_F(TrayMouseTest, AnimationRunsForItsDurationOrUntilEnded) {
  InProcess([&] {
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
    EXPECT_EQ(shown,
              (std::vector<std::pair<long, std::string>>{
                  {500, "147"}, {1000, "146"}, {1500, "147"}, {2000, "146"}, {2500, "194"}}));
    EXPECT_FALSE(tray.IsAnimating());
    EXPECT_EQ(desktop.Timers().count({tray.Window(), TRAY_ANIMATION_TIMER_ID}), 0u);

    ASSERT_TRUE(tray.StartAnimation(750, 0));
    RunFor(10000);
    EXPECT_TRUE(tray.IsAnimating());
    EXPECT_TRUE(tray.EndAnimation());
    EXPECT_EQ(r.IconId(desktop.trayIcons[0].data.icon), 194u);
    EXPECT_FALSE(tray.EndAnimation());
  });
}

TEST_F(TrayMouseTest, HidingIntoTheTrayArea) {
  InProcess([&] {
    Windows& w = Plat().windows();
    // The notification area less the clock at its right end.
    EXPECT_EQ(CSystemTray::TrayAreaRect(), (Rect{1150, 996, 1228, 1022}));

    LogWindow main;
    w.MoveWindow(main.handle, Rect{100, 100, 400, 300});
    w.Show(main.handle, sw::Show);
    CSystemTray::HideWindowToTray(main.handle);
    EXPECT_FALSE(w.IsVisible(main.handle));
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
    EXPECT_NE(zooms[0].second.find("from 100,100,400,300 to 1150,996,1228,1022"),
              std::string::npos);
    EXPECT_NE(zooms[2].second.find("from 1150,996,1228,1022 to 100,100,400,300"),
              std::string::npos);
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
      WindowSpec d;
      d.className = cls, d.parent = parent, d.rect = r;
      d.style = parent ? ws::Child : ws::Popup;
      return w.Create(d);
    };
    WindowHandle notify =
        make(L"TrayNotifyWnd", make(L"Shell_TrayWnd", 0, {0, 0, 200, 40}), Rect{100, 0, 200, 40});
    make(L"TrayClockWClass", notify, Rect{60, 10, 100, 35});
    EXPECT_EQ(CSystemTray::TrayAreaRect(), (Rect{100, 0, 160, 40}));
  });
}

// The banner paints its picture, and after closing it can be shown again.
TEST_F(TrayMouseTest, SplashShowsItsPictureEachTime) {
  InProcess([&] {
    CSplash splash(IDB_SPLASH, Rgb(255, 0, 255));
    for (int round = 0; round < 2; ++round) {
      splash.Show();
      ASSERT_NE(splash.Window(), 0u) << "round " << round;
      EXPECT_NE(desktop.Window(splash.Window())->picture, nullptr);
      splash.Close();
    }
  });
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

}  // namespace
