// Tests of the controller running inside a whole client process on the simulated desktop:
// start-up with the tray icon, the tick's memory of the active window, the keys and
// messages it ignores, and the tray commands that switch it off and on.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "app/ClientApp.h"
#include "app/ClientProcess.h"
#include "app/Messages.h"
#include "controller/ClientDlg.h"
#include "platform/sim/sim_desktop.h"
#include "platform/sim/sim_profile.h"

namespace fs = std::filesystem;
using namespace zq;
using zq::sim::Desktop;

namespace {

const wchar_t* const kModule = L"C:\\Program Files\\Zephquill\\ZephquillClient.exe";
const wchar_t* const kConfig = L"C:\\Program Files\\Zephquill\\ZQConfig.ini";
const wchar_t* const kDisabledTip = L"Zephquill is DISABLED\r\nYour not visible...";

class ControllerTest : public ::testing::Test {
 protected:
  ControllerTest() : desktop(FreshRoot()) {
    fs::create_directories(desktop.HostPath(L"C:\\Program Files\\Zephquill"));
  }

  static std::string FreshRoot() {
    fs::path root = fs::path(::testing::TempDir()) /
                    ("zq_controller_" +
                     std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
    fs::remove_all(root);
    fs::create_directories(root);
    return root.string();
  }

  std::uint32_t StartClient() {
    return desktop.StartProcess(kModule, L"\"" + std::wstring(kModule) + L"\"",
                                [] { return ClientMain(); });
  }

  // The running client's controller, read between its turns.
  CClientDlg* Controller(std::uint32_t pid) {
    sim::SimProcess* p = desktop.Process(pid);
    if (!p || p->ended || !p->state()) return nullptr;
    auto& proc = static_cast<ClientProcess&>(*p->state());
    return proc.App ? proc.App->Controller : nullptr;
  }

  const sim::TrayIcon* Tray(std::uint32_t pid) {
    for (const sim::TrayIcon& t : desktop.trayIcons)
      if (t.pid == pid) return &t;
    return nullptr;
  }

  unsigned TrayPicture(std::uint32_t pid) {
    const sim::TrayIcon* t = Tray(pid);
    return t ? desktop.Process(pid)->resources().IconId(t->data.icon) : 0;
  }

  unsigned TickPeriod(WindowHandle controller) {
    auto it = desktop.Timers().find({controller, CONTROLLER_TIMER_ID});
    return it == desktop.Timers().end() ? 0 : it->second.period;
  }

  std::wstring Setting(const std::wstring& key) {
    std::wstring out;
    desktop.profile().ReadString(L"General", key, L"<absent>", out, 256, kConfig);
    return out;
  }

  void Command(std::uint32_t pid, unsigned id) {
    CClientDlg* c = Controller(pid);
    ASSERT_NE(c, nullptr);
    desktop.Process(pid)->windows().Post(c->Hwnd(), wm::Command, id, 0);
    desktop.SleepMs(10);
  }

  const MenuItem* Entry(CClientDlg& c, unsigned id) {
    const MenuItem* popup = c.TrayIcon.Popup();
    if (!popup) return nullptr;
    for (const MenuItem& e : popup->popup)
      if (!e.separator && e.id == id) return &e;
    return nullptr;
  }

  // Entries of the tray popup that are greyed, by command id.
  std::vector<unsigned> Greyed(CClientDlg& c) {
    std::vector<unsigned> ids;
    for (const MenuItem& e : c.TrayIcon.Popup()->popup)
      if (!e.separator && e.grayed) ids.push_back(e.id);
    return ids;
  }

  Desktop desktop;
};

TEST_F(ControllerTest, StartupAddsTheTrayIconThenWaitsBeforeTheTick) {
  desktop.Run([&] {
    std::uint32_t pid = StartClient();
    desktop.SleepMs(10);
    // The first attempt succeeds at once; the wait after it still holds start-up back.
    ASSERT_NE(Tray(pid), nullptr);
    EXPECT_EQ(Tray(pid)->data.tip, L"Zephquill");
    EXPECT_EQ(TrayPicture(pid), IDI_TRAY_SHARING);
    EXPECT_EQ(Tray(pid)->data.callbackMessage, UM_TRAYICON_CALLBACK);
    CClientDlg* c = Controller(pid);
    ASSERT_NE(c, nullptr);
    EXPECT_EQ(TickPeriod(c->Hwnd()), 0u);
    EXPECT_EQ(Setting(L"VersionCode"), L"<absent>");

    desktop.SleepMs(3000);
    EXPECT_EQ(desktop.trayIcons.size(), 1u);
    EXPECT_EQ(Tray(pid)->data.tip, L"Zephquill is enabled");
    EXPECT_EQ(TickPeriod(c->Hwnd()), CONTROLLER_TIMER_ENABLED_MS);
    EXPECT_EQ(Setting(L"VersionCode"), L"11");
    EXPECT_EQ(c->StartTime, desktop.Epoch() + 3);
    EXPECT_EQ(c->AppDirectory, L"C:\\Program Files\\Zephquill");
    EXPECT_EQ(c->TrayIcon.GetDefaultItem(), ID_WHERE_ARE_MY_FRIENDS);
    EXPECT_FALSE(c->TrayIcon.GetDefaultByPosition());
    EXPECT_FALSE(desktop.Process(pid)->windows().IsVisible(c->Hwnd()));
    EXPECT_TRUE(desktop.Boxes().empty());
  });
}

TEST_F(ControllerTest, TrayIconThatNeverComesEndsTheClientAfterAMinute) {
  desktop.failTrayAdds = 20;
  desktop.Run([&] {
    std::uint32_t pid = StartClient();
    desktop.SleepMs(59990);
    EXPECT_TRUE(desktop.Boxes().empty());
    desktop.SleepMs(20);
    ASSERT_EQ(desktop.Boxes().size(), 1u);
    const sim::MessageBoxRecord& box = desktop.Boxes()[0];
    EXPECT_EQ(box.pid, pid);
    EXPECT_EQ(box.caption, L"Cannot start Zephquill Application");
    EXPECT_EQ(box.text,
              L"Cannot create application tray icon.\nApplication cannot continue it's "
              L"execution.\nPlease make sure it is not already running and/or restart you "
              L"computer. ");
    EXPECT_EQ(box.style, mb::IconError);
    EXPECT_FALSE(desktop.Process(pid)->ended);  // the box holds it

    EXPECT_TRUE(desktop.AnswerBox(0, mb::IdOk));
    desktop.SleepMs(10);
    EXPECT_TRUE(desktop.Process(pid)->ended);
    EXPECT_EQ(desktop.Process(pid)->exitCode, 0);
    EXPECT_TRUE(desktop.trayIcons.empty());
    EXPECT_EQ(desktop.Boxes().size(), 1u);
  });
}

TEST_F(ControllerTest, TickTakesThreeTicksToTrustAnUnchangedActiveWindow) {
  desktop.Run([&] {
    std::uint32_t pid = StartClient();
    desktop.SleepMs(4500);  // ticks run at 4000, 5000, ...
    CClientDlg* c = Controller(pid);
    ASSERT_NE(c, nullptr);
    EXPECT_EQ(c->LastActiveWindow, 0u);

    // Activate one of the client's own main-thread windows, as a click into it would.
    Windows& w = desktop.Process(pid)->windows();
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
    auto memory = [&] {
      return Memory{c->LastActiveWindow, c->LastActiveTitle, c->LastActiveRect};
    };

    desktop.SleepMs(1000);  // first tick: a new window
    EXPECT_TRUE(memory() == (Memory{popup, L"", Rect{}}));
    desktop.SleepMs(1000);  // second: same window, title now remembered
    EXPECT_TRUE(memory() == (Memory{popup, L"Friends", Rect{}}));
    desktop.SleepMs(1000);  // third: same title, rectangle now remembered
    EXPECT_TRUE(memory() == (Memory{popup, L"Friends", placed}));
    desktop.SleepMs(1000);  // unchanged from now on
    EXPECT_TRUE(memory() == (Memory{popup, L"Friends", placed}));

    // A new title costs two ticks again; a move only one.
    w.SetTitle(popup, L"Friends (2)");
    desktop.SleepMs(1000);
    EXPECT_TRUE(memory() == (Memory{popup, L"Friends (2)", Rect{}}));
    desktop.SleepMs(1000);
    EXPECT_TRUE(memory() == (Memory{popup, L"Friends (2)", placed}));
    const Rect moved{120, 200, 324, 355};
    w.MoveWindow(popup, moved);
    desktop.SleepMs(1000);
    EXPECT_TRUE(memory() == (Memory{popup, L"Friends (2)", moved}));
  });
}

TEST_F(ControllerTest, EscapeAndCloseLeaveTheControllerRunningHidden) {
  desktop.Run([&] {
    std::uint32_t pid = StartClient();
    desktop.SleepMs(3500);
    CClientDlg* c = Controller(pid);
    ASSERT_NE(c, nullptr);
    WindowHandle hwnd = c->Hwnd();
    Windows& w = desktop.Process(pid)->windows();

    EXPECT_TRUE(w.Post(hwnd, wm::KeyDown, 27, 0));
    desktop.SleepMs(100);
    EXPECT_FALSE(desktop.Process(pid)->ended);
    EXPECT_TRUE(w.IsWindow(hwnd));

    EXPECT_EQ(w.Send(hwnd, wm::Close, 0, 0), 0);
    desktop.SleepMs(2000);
    EXPECT_FALSE(desktop.Process(pid)->ended);
    EXPECT_TRUE(w.IsWindow(hwnd));
    EXPECT_FALSE(w.IsVisible(hwnd));
    EXPECT_EQ(TickPeriod(hwnd), CONTROLLER_TIMER_ENABLED_MS);
    EXPECT_NE(Tray(pid), nullptr);
    EXPECT_TRUE(desktop.Boxes().empty());
  });
}

TEST_F(ControllerTest, DisableAndEnableSwitchMenuTimerAndTray) {
  desktop.Run([&] {
    std::uint32_t pid = StartClient();
    desktop.SleepMs(3500);
    CClientDlg* c = Controller(pid);
    ASSERT_NE(c, nullptr);
    WindowHandle hwnd = c->Hwnd();
    Windows& w = desktop.Process(pid)->windows();
    WindowHandle popup = w.FindWindow(0, 0, L"TaskbarNotifierClass", L"");
    w.SetForeground(popup);
    desktop.SleepMs(1000);
    ASSERT_EQ(c->LastActiveWindow, popup);

    Command(pid, ID_DISABLE_ENABLE);
    EXPECT_FALSE(c->Enabled);
    EXPECT_EQ(c->LastActiveWindow, 0u);
    EXPECT_EQ(TickPeriod(hwnd), CONTROLLER_TIMER_DISABLED_MS);
    EXPECT_EQ(Tray(pid)->data.tip, kDisabledTip);
    EXPECT_EQ(TrayPicture(pid), IDI_TRAY_DISABLED);
    EXPECT_EQ(c->TrayIcon.GetDefaultItem(), ID_DISABLE_ENABLE);
    ASSERT_NE(Entry(*c, ID_DISABLE_ENABLE), nullptr);
    EXPECT_EQ(Entry(*c, ID_DISABLE_ENABLE)->text, L"Enable");
    EXPECT_TRUE(Entry(*c, ID_DISABLE_ENABLE)->isDefault);
    EXPECT_FALSE(Entry(*c, ID_SHARE_MY_LOCATION)->checked);
    EXPECT_EQ(Greyed(*c), (std::vector<unsigned>{ID_SEND_FEEDBACK, ID_SHARE_MY_LOCATION,
                                                 ID_WHERE_ARE_MY_FRIENDS, ID_MY_FRIENDS,
                                                 ID_MY_EVENTS, ID_MY_SETTINGS}));
    // Disabled ticks leave the active window alone.
    desktop.SleepMs(10000);
    EXPECT_EQ(c->LastActiveWindow, 0u);

    Command(pid, ID_DISABLE_ENABLE);
    EXPECT_TRUE(c->Enabled);
    EXPECT_EQ(TickPeriod(hwnd), CONTROLLER_TIMER_ENABLED_MS);
    EXPECT_EQ(Tray(pid)->data.tip, L"Zephquill is enabled");
    EXPECT_EQ(TrayPicture(pid), IDI_TRAY_SHARING);
    EXPECT_EQ(c->TrayIcon.GetDefaultItem(), ID_WHERE_ARE_MY_FRIENDS);
    EXPECT_EQ(Entry(*c, ID_DISABLE_ENABLE)->text, L"Disable");
    EXPECT_TRUE(Entry(*c, ID_SHARE_MY_LOCATION)->checked);
    EXPECT_TRUE(Greyed(*c).empty());
    desktop.SleepMs(1000);
    EXPECT_EQ(c->LastActiveWindow, popup);
  });
}

TEST_F(ControllerTest, ShareMyLocationTogglesTheSettingAndThePicture) {
  desktop.Run([&] {
    std::uint32_t pid = StartClient();
    desktop.SleepMs(3500);
    CClientDlg* c = Controller(pid);
    ASSERT_NE(c, nullptr);
    EXPECT_EQ(Setting(L"ShowOthersMyLocation"), L"<absent>");

    Command(pid, ID_SHARE_MY_LOCATION);  // absent means sharing: now off
    EXPECT_EQ(Setting(L"ShowOthersMyLocation"), L"false");
    EXPECT_EQ(TrayPicture(pid), IDI_TRAY_NOT_SHARING);
    EXPECT_FALSE(Entry(*c, ID_SHARE_MY_LOCATION)->checked);

    Command(pid, ID_SHARE_MY_LOCATION);
    EXPECT_EQ(Setting(L"ShowOthersMyLocation"), L"true");
    EXPECT_EQ(TrayPicture(pid), IDI_TRAY_SHARING);
    EXPECT_TRUE(Entry(*c, ID_SHARE_MY_LOCATION)->checked);
  });
}

TEST_F(ControllerTest, SharingSwitchedOffBeforeStartShowsFromTheStart) {
  desktop.profile().WriteString(L"General", L"ShowOthersMyLocation", L"false", kConfig);
  desktop.Run([&] {
    std::uint32_t pid = StartClient();
    desktop.SleepMs(3010);
    CClientDlg* c = Controller(pid);
    ASSERT_NE(c, nullptr);
    EXPECT_EQ(TrayPicture(pid), IDI_TRAY_NOT_SHARING);
    EXPECT_FALSE(Entry(*c, ID_SHARE_MY_LOCATION)->checked);
  });
}

TEST_F(ControllerTest, ExitCommandTakesTheTrayIconAwayAndEndsTheProcess) {
  desktop.Run([&] {
    std::uint32_t pid = StartClient();
    desktop.SleepMs(3500);
    Command(pid, ID_APP_EXIT);
    EXPECT_TRUE(desktop.Process(pid)->ended);
    EXPECT_EQ(desktop.Process(pid)->exitCode, 0);
    EXPECT_TRUE(desktop.trayIcons.empty());
  });
  // The client deleted its icon itself; the shell did not have to drop a leftover.
  bool deleted = false, dropped = false;
  for (const std::string& line : desktop.TraceLines()) {
    deleted = deleted || line.find("tray icon 130 deleted") != std::string::npos;
    dropped = dropped || line.find("left its tray icon") != std::string::npos;
  }
  EXPECT_TRUE(deleted);
  EXPECT_FALSE(dropped);
}

// The dialog manager shows a modal dialog when its loop first waits; the controller must
// then neither appear nor take the foreground from the window the user works in.
TEST_F(ControllerTest, ControllerIsNeitherShownNorActivated) {
  desktop.Run([&] {
    std::uint32_t pid = StartClient();
    desktop.SleepMs(3500);
    CClientDlg* c = Controller(pid);
    ASSERT_NE(c, nullptr);
    WindowPos pos;
    pos.window = c->Hwnd();
    pos.flags = swp::ShowWindow | swp::NoMove | swp::NoSize;
    desktop.Process(pid)->windows().Send(c->Hwnd(), wm::WindowPosChanging, 0,
                                         reinterpret_cast<LParam>(&pos));
    EXPECT_EQ(pos.flags & swp::ShowWindow, 0u);
    EXPECT_NE(pos.flags & swp::NoActivate, 0u);
    EXPECT_NE(pos.flags & swp::NoMove, 0u) << "other flags stay";
    Command(pid, ID_APP_EXIT);
  });
}

}  // namespace
