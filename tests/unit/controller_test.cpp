// Tests of the controller running inside a whole client process on the simulated desktop:
// start-up's wait before the tick, the tick's memory of the active window, the tray commands
// that switch it off and on, and a controller that is never shown (the tray commands as a
// user meets them: tray_commands.zqs; a tray icon that never comes: tray_fails.zqs).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "client_fixture.h"

namespace zq {
namespace {

class ControllerTest : public testing::ClientFixture {
 protected:
  unsigned TickPeriod() {
    auto it = desktop.Timers().find({Controller()->Hwnd(), CONTROLLER_TIMER_ID});
    return it == desktop.Timers().end() ? 0 : it->second.period;
  }
  const MenuItem* Entry(unsigned id) {
    for (const MenuItem& e : Controller()->TrayIcon.Popup()->popup)
      if (!e.separator && e.id == id) return &e;
    return nullptr;
  }
  // Entries of the tray popup that are greyed, by command id.
  std::vector<unsigned> Greyed() {
    std::vector<unsigned> ids;
    for (const MenuItem& e : Controller()->TrayIcon.Popup()->popup)
      if (!e.separator && e.grayed) ids.push_back(e.id);
    return ids;
  }
};

TEST_F(ControllerTest, StartupAddsTheTrayIconThenWaitsBeforeTheTick) {
  desktop.Run([&] {
    StartClient(10);
    // The first attempt succeeds at once; the wait after it still holds start-up back.
    ASSERT_EQ(desktop.trayIcons.size(), 1u);
    EXPECT_EQ(TickPeriod(), 0u);
    EXPECT_EQ(Setting(L"VersionCode"), L"<absent>");
    desktop.SleepMs(3000);
    EXPECT_EQ(desktop.trayIcons.size(), 1u);
    EXPECT_EQ(TickPeriod(), CONTROLLER_TIMER_ENABLED_MS);
    EXPECT_EQ(Setting(L"VersionCode"), L"11");
    EXPECT_EQ(Controller()->StartTime, desktop.Epoch() + 3);
    EXPECT_FALSE(Win().IsVisible(Controller()->Hwnd()));
  });
}

TEST_F(ControllerTest, TickTakesThreeTicksToTrustAnUnchangedActiveWindow) {
  desktop.Run([&] {
    StartClient(4500);  // ticks run at 4000, 5000, ...
    CClientDlg* c = Controller();
    EXPECT_EQ(c->LastActiveWindow, 0u);

    // Activate one of the client's own main-thread windows, as a click into it would.
    Windows& w = Win();
    WindowHandle popup = w.FindWindow(0, 0, L"TaskbarNotifierClass", L"");
    ASSERT_NE(popup, 0u);
    ASSERT_EQ(w.ThreadOf(popup), w.ThreadOf(c->Hwnd()));
    const Rect placed{100, 200, 304, 355};
    w.MoveWindow(popup, placed);
    w.SetTitle(popup, L"Friends");
    w.SetForeground(popup);

    struct Memory {
      WindowHandle window;
      std::wstring title;
      Rect rect;
      bool operator==(const Memory& o) const {
        return window == o.window && title == o.title && rect == o.rect;
      }
    };
    // After each further second: what the tick remembers.
    auto after = [&] {
      desktop.SleepMs(1000);
      return Memory{c->LastActiveWindow, c->LastActiveTitle, c->LastActiveRect};
    };
    EXPECT_TRUE(after() == (Memory{popup, L"", Rect{}}));         // a new window
    EXPECT_TRUE(after() == (Memory{popup, L"Friends", Rect{}}));  // same window: its title
    EXPECT_TRUE(after() == (Memory{popup, L"Friends", placed}));  // same title: its place
    EXPECT_TRUE(after() == (Memory{popup, L"Friends", placed}));  // unchanged from now on

    // A new title costs two ticks again; a move only one.
    w.SetTitle(popup, L"Friends (2)");
    EXPECT_TRUE(after() == (Memory{popup, L"Friends (2)", Rect{}}));
    EXPECT_TRUE(after() == (Memory{popup, L"Friends (2)", placed}));
    const Rect moved{120, 200, 324, 355};
    w.MoveWindow(popup, moved);
    EXPECT_TRUE(after() == (Memory{popup, L"Friends (2)", moved}));
  });
}

TEST_F(ControllerTest, DisableAndEnableSwitchMenuTimerAndTray) {
  desktop.Run([&] {
    StartClient();
    CClientDlg* c = Controller();
    WindowHandle popup = Win().FindWindow(0, 0, L"TaskbarNotifierClass", L"");
    Win().SetForeground(popup);
    desktop.SleepMs(1000);
    ASSERT_EQ(c->LastActiveWindow, popup);

    Post(wm::Command, ID_DISABLE_ENABLE, 0);
    EXPECT_FALSE(c->Enabled);
    EXPECT_EQ(c->LastActiveWindow, 0u);
    EXPECT_EQ(TickPeriod(), CONTROLLER_TIMER_DISABLED_MS);
    EXPECT_EQ(TrayPicture(), IDI_TRAY_DISABLED);
    EXPECT_EQ(c->TrayIcon.GetDefaultItem(), ID_DISABLE_ENABLE);
    EXPECT_EQ(Entry(ID_DISABLE_ENABLE)->text, L"Enable");
    EXPECT_TRUE(Entry(ID_DISABLE_ENABLE)->isDefault);
    EXPECT_FALSE(Entry(ID_SHARE_MY_LOCATION)->checked);
    EXPECT_EQ(Greyed(), (std::vector<unsigned>{ID_SEND_FEEDBACK, ID_SHARE_MY_LOCATION,
                                               ID_WHERE_ARE_MY_FRIENDS, ID_MY_FRIENDS, ID_MY_EVENTS,
                                               ID_MY_SETTINGS}));
    desktop.SleepMs(10000);  // disabled ticks leave the active window alone
    EXPECT_EQ(c->LastActiveWindow, 0u);

    Post(wm::Command, ID_DISABLE_ENABLE, 0);
    EXPECT_TRUE(c->Enabled);
    EXPECT_EQ(TickPeriod(), CONTROLLER_TIMER_ENABLED_MS);
    EXPECT_EQ(TrayPicture(), IDI_TRAY_SHARING);
    EXPECT_EQ(c->TrayIcon.GetDefaultItem(), ID_WHERE_ARE_MY_FRIENDS);
    EXPECT_EQ(Entry(ID_DISABLE_ENABLE)->text, L"Disable");
    EXPECT_TRUE(Entry(ID_SHARE_MY_LOCATION)->checked);
    EXPECT_TRUE(Greyed().empty());
    desktop.SleepMs(1000);
    EXPECT_EQ(c->LastActiveWindow, popup);
  });
}

TEST_F(ControllerTest, SharingSwitchedOffBeforeStartShowsFromTheStart) {
  Config(L"ShowOthersMyLocation", L"false");
  desktop.Run([&] {
    StartClient(3010);
    EXPECT_EQ(TrayPicture(), IDI_TRAY_NOT_SHARING);
    EXPECT_FALSE(Entry(ID_SHARE_MY_LOCATION)->checked);
  });
}

// The dialog manager shows a modal dialog when its loop first waits; the controller must
// then neither appear nor take the foreground from the window the user works in.
TEST_F(ControllerTest, ControllerIsNeitherShownNorActivated) {
  desktop.Run([&] {
    StartClient();
    WindowPos pos;
    pos.window = Controller()->Hwnd();
    pos.flags = swp::ShowWindow | swp::NoMove | swp::NoSize;
    Win().Send(pos.window, wm::WindowPosChanging, 0, reinterpret_cast<LParam>(&pos));
    EXPECT_EQ(pos.flags & swp::ShowWindow, 0u);
    EXPECT_NE(pos.flags & swp::NoActivate, 0u);
    EXPECT_NE(pos.flags & swp::NoMove, 0u) << "other flags stay";
    Post(wm::Command, ID_APP_EXIT, 0);
  });
}

}  // namespace
}  // namespace zq
