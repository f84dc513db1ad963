// Tests of the controller in a whole client: the tick's memory, a check that meets a hand
// enable, the status box's limit, closing a panel and the start-up entry.

#include <tuple>

#include "app/PanelRegistry.h"
#include "client_fixture.h"
#include "controller/StatusDlg.h"
#include "panel/StartupEntry.h"
#include "panel/ZephquillWnd.h"
#include "platform/sim/sim_browsers.h"
#include "platform/sim/sim_ie_app.h"
#include "platform/sim/sim_registry.h"

namespace zq {
namespace {

using ControllerTest = testing::ClientFixture;

// The controller's dialog neither appears nor takes the foreground when first shown.
ZQ_ON_DESKTOP_TEST(ControllerTest, NeverShownAndTrustsAnUnchangedActiveWindowAfterThreeTicks) {
  StartClient(4500);  // ticks run at 4000, 5000, ...
  CClientDlg* c = Controller();
  WindowPos pos{c->Hwnd(), 0, 0, 0, 0, 0, swp::ShowWindow | swp::NoMove | swp::NoSize};
  Win().Send(pos.window, wm::WindowPosChanging, 0, reinterpret_cast<LParam>(&pos));
  EXPECT_EQ(pos.flags, swp::NoActivate | swp::NoMove | swp::NoSize);
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

  using Memory = std::tuple<WindowHandle, std::wstring, Rect>;
  // After each further second: what the tick remembers.
  auto after = [&] {
    desktop.SleepMs(1000);
    return Memory(c->LastActiveWindow, c->LastActiveTitle, c->LastActiveRect);
  };
  EXPECT_EQ(after(), Memory(popup, L"", Rect{}));         // a new window
  EXPECT_EQ(after(), Memory(popup, L"Friends", Rect{}));  // same window: its title
  EXPECT_EQ(after(), Memory(popup, L"Friends", placed));  // same title: its place
  EXPECT_EQ(after(), Memory(popup, L"Friends", placed));  // unchanged from now on

  // A new title costs two ticks again; a move only one.
  w.SetTitle(popup, L"Friends (2)");
  EXPECT_EQ(after(), Memory(popup, L"Friends (2)", Rect{}));
  EXPECT_EQ(after(), Memory(popup, L"Friends (2)", placed));
  const Rect moved{120, 200, 324, 355};
  w.MoveWindow(popup, moved);
  EXPECT_EQ(after(), Memory(popup, L"Friends (2)", moved));

  // Switched off, the tick forgets the window and disabled ticks leave it alone.
  Post(wm::Command, ID_DISABLE_ENABLE, 0);
  desktop.SleepMs(10000);
  EXPECT_EQ(c->LastActiveWindow, 0u);
}

using ConnectivityTest = testing::ClientFixture;

ZQ_ON_DESKTOP_TEST(ConnectivityTest,
                   EnabledByHandDuringACheckKeepsTheMarkAndAFullStatusBoxStartsAfresh) {
  StartClient();
  CClientDlg& c = *Controller();
  desktop.ieApps().loadMs = 5000;
  PageCommand(L"naverror", L"Error 12029");  // disabled, the service marked lost
  desktop.SleepMs(10490);                    // half a second past the check's tick
  ASSERT_TRUE(c.CheckRunning);
  Post(wm::Command, ID_DISABLE_ENABLE, 0);  // enabled by hand while the check waits
  ASSERT_TRUE(c.Enabled);
  desktop.SleepMs(6000);
  EXPECT_FALSE(c.CheckRunning);
  EXPECT_TRUE(c.Enabled);  // a posted toggle would have switched it off again
  EXPECT_TRUE(c.ConnectionLost);
  // Enabled with the mark set: no check starts and the tick follows no browser.
  Browsers(desktop).Open("ff", sim::FakeKind::IE6, L"http://news.example/", L"News");
  desktop.SleepMs(30000);
  EXPECT_EQ(desktop.ieApps().Records().size(), 1u);
  EXPECT_EQ(AsClient([&] { return FindBrowserPanel(Browsers(desktop).Find("ff")->frame); }),
            nullptr);
  // The status window, shown: a full box starts afresh.
  Post(UM_SHOW_STATUS_WINDOW, 0, 0);
  auto line = [&](const std::wstring& text) {
    PageCommand(L"tracemessage", text);
    return AsClient([&] { return Controller()->StatusText(); });
  };
  const std::wstring block(CStatusDlg::kMaxText - 2, L'x');
  line(block);  // exactly the limit with its line end: kept
  EXPECT_EQ(line(L"next"), block + L"\r\nnext\r\n");
  // The box held more than the limit: it starts again with this line.
  EXPECT_EQ(line(L"over"), L"over\r\n");
}

using DispatcherTest = testing::ClientFixture;

ZQ_ON_DESKTOP_TEST(DispatcherTest, ClosePanelAndTheStartUpEntry) {
  desktop.registry().CreateKey(RegRoot::CurrentUser, kRunKey);
  Config(L"WindowsStartupKey", L"Quill");
  sim::Browsers(desktop).Open("ie", sim::FakeKind::IE6, L"http://a.example/", L"A");
  StartClient(4500);
  // UM_CLOSE_PANEL closes only a live panel, and its record goes with the window.
  const WindowHandle browser = sim::Browsers(desktop).Find("ie")->frame;
  auto record = [&] { return AsClient([&] { return FindBrowserPanel(browser); }); };
  ASSERT_NE(record(), nullptr);
  const WindowHandle panel = record()->Panel->Hwnd();
  const WindowHandle controller = Controller()->Hwnd();
  auto close = [&](BrowserPanelRecord* r) {
    return Win().Send(controller, UM_CLOSE_PANEL, reinterpret_cast<WParam>(r), 0);
  };

  BrowserPanelRecord unattached(browser, L"http://a.example/");
  EXPECT_EQ(close(nullptr), 1);
  EXPECT_EQ(close(&unattached), 1);
  unattached.Panel = AsClient([] { return std::make_unique<ZephquillWnd>(); });  // no window
  EXPECT_EQ(close(&unattached), 1);
  EXPECT_TRUE(Win().IsWindow(panel));

  EXPECT_EQ(close(record()), 0);
  EXPECT_FALSE(Win().IsWindow(panel));
  desktop.SleepMs(10);  // the panel's UM_PANEL_DESTROYED takes its record away
  EXPECT_EQ(record(), nullptr);
  desktop.SleepMs(1000);  // still followed: the next tick attaches a new panel
  EXPECT_NE(record(), nullptr);
  // Starting with the computer adds the entry for exactly "1".
  auto entry = [&] {
    return desktop.registry().GetString(RegRoot::CurrentUser, kRunKey, L"Quill");
  };
  for (const wchar_t* other : {L"true", L"01", L"", L" 1"}) {
    PageCommand(L"StartWithComputer", L"1");
    EXPECT_EQ(entry(), std::optional<std::wstring>(testing::kModule));
    PageCommand(L"startwithcomputer", other);
    EXPECT_EQ(entry(), std::nullopt);
  }
  PageCommand(L"startwithcomputer", L"0");  // nothing to remove is no failure
  EXPECT_TRUE(status.empty());
}

}  // namespace
}  // namespace zq
