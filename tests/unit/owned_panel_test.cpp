// The panel as an owned pop-up on a browser that draws its own frame: it follows the browser's
// events at once, never takes the focus, and is released with nothing left subscribed.
#include "app/PanelRegistry.h"
#include "client_fixture.h"
#include "panel/ZephquillWnd.h"
#include "platform/sim/sim_browsers.h"

namespace zq {
namespace {

using OwnedPanelTest = testing::ClientFixture;

// The collapsed 1 x 1 panel's place: 30 pixels in from the right edge, 15 up from the bottom.
Rect Corner(Rect b) { return Rect{b.right - 30, b.bottom - 16, b.right - 29, b.bottom - 15}; }

ZQ_ON_DESKTOP_TEST(OwnedPanelTest, FollowsItsBrowsersEventsAndNeverTakesTheFocus) {
  Config(L"LastBaseURLNavigated", L"stoppostbacks");  // no page is loaded
  sim::SimBrowsers& browsers = sim::Browsers(desktop);
  browsers.OpenToday("c", "chrome", L"http://a.example/", L"A");
  StartClient(4100);  // the first tick (at 4 s) makes the panel; then the ticks stop
  Win().KillTimer(Controller()->Hwnd(), CONTROLLER_TIMER_ID);
  const WindowHandle browser = browsers.Find("c")->frame;
  ZephquillWnd* panel = AsClient([&] { return FindAttachedPanel(browser); });
  ASSERT_TRUE(panel && panel->OwnedPopup());
  const WindowHandle p = panel->Hwnd();
  sim::SimThread* main = desktop.Thread(desktop.Process(pid)->mainThread);
  auto settle = [&](const char* what, bool visible, Rect at) {
    desktop.SleepMs(1);  // the event is handled at once, not at a tick
    EXPECT_EQ(Win().IsVisible(p), visible) << what;
    if (visible) {
      EXPECT_EQ(Win().WindowRect(p), at) << what;
    }
    EXPECT_EQ(Win().Foreground() == p || main->active == p, false) << what;
  };
  settle("made", true, Corner(Rect{100, 80, 1000, 760}));
  // A move, a window in front and minimising are followed at the event.
  browsers.Move("c", Rect{300, 200, 900, 700});
  const Rect here = Corner(Rect{300, 200, 900, 700});
  settle("moved", true, here);
  browsers.OpenFolder("beside", sim::FolderMode::FolderView, Rect{0, 0, 200, 100});
  settle("a window beside it in front", true, here);
  browsers.OpenFolder("over", sim::FolderMode::FolderView, Rect{500, 500, 1000, 800});
  settle("a window over it in front", false, here);
  browsers.Focus("c");
  settle("the browser in front again", true, here);
  browsers.Minimize("c");
  settle("browser minimised", false, here);
  browsers.Restore("c");
  settle("browser restored", true, here);

  // Page commands, in screen coordinates from the browser's window rectangle.
  const struct {
    unsigned message;
    const wchar_t *first, *second;
    Rect at;
  } commands[] = {{UM_PANEL_SET_SIZE, L"300", L"200", Rect{870, 485, 1170, 685}},
                  {UM_PANEL_SET_SLIDE, L"2", L"", Rect{570, 485, 870, 685}},
                  {UM_PANEL_MOVE_RIGHT, L"", L"", Rect{955, 156, 1255, 356}},
                  {UM_PANEL_TOGGLE_SLIDE, L"", L"", Rect{870, 485, 1170, 685}}};
  for (const auto& c : commands) {
    Win().Post(p, c.message, GiveText(c.first), GiveLParamText(c.second));
    desktop.SleepMs(400);  // a slide takes 100 steps of 3 ms
    settle("after a page command", true, c.at);
  }
  browsers.Move("c", Rect{300, 200, 1200, 880});
  settle("moved once collapsed and sized", true, Rect{1170, 665, 1470, 865});

  browsers.Navigate("c", L"about:blank", L"Blank");  // not followed: the next tick releases it
  Win().SetTimer(Controller()->Hwnd(), CONTROLLER_TIMER_ID, 1000);
  desktop.SleepMs(1100);
  EXPECT_FALSE(Win().IsWindow(p));
  EXPECT_EQ(AsClient([&] { return FindBrowserPanel(browser); }), nullptr);
  browsers.Move("c", Rect{0, 0, 900, 700});  // no subscriber left to call
  desktop.SleepMs(1);
}

}  // namespace
}  // namespace zq
