// The panel as an owned pop-up on a browser that draws its own frame: made without taking the
// focus, it follows the browser's window events at once (the tick is stopped here), hides
// while the browser is covered, and takes the page commands in screen terms.
#include <functional>

#include "app/PanelRegistry.h"
#include "client_fixture.h"
#include "controller/browser/BrowserDetection.h"
#include "panel/ZephquillWnd.h"

namespace zq {
namespace {

// Runs a body on the client's main thread, inside one message sent to the controller.
struct OnMainThread : WindowHandler {
  static constexpr unsigned kRun = wm::App + 0x3A0;
  WindowHandler* inner = nullptr;
  std::function<void()> body;
  LResult OnMessage(WindowHandle h, unsigned m, WParam wp, LParam lp) override {
    if (m != kRun) return inner->OnMessage(h, m, wp, lp);
    body();
    return 0;
  }
  bool PreTranslate(WindowHandle h, unsigned m, WParam wp, LParam lp) override {
    return inner->PreTranslate(h, m, wp, lp);
  }
};

class OwnedPanelTest : public testing::ClientFixture {
 protected:
  // A top-level window of another program (on the test's thread).
  WindowHandle Open(const std::wstring& cls, Rect r) {
    if (!other)
      other = desktop.StartProcess(L"C:\\Chrome\\chrome.exe", L"chrome", [] {
        Plat().clock().Sleep(1u << 30);
        return 0;
      });
    WindowSpec desc;
    desc.className = cls;
    desc.style = ws::Popup | ws::Visible;
    desc.rect = r;
    return Others().Create(desc);
  }
  Windows& Others() { return desktop.Process(other)->windows(); }
  void Follow(WindowHandle browser, const std::wstring& url) {
    OnMainThread run;
    sim::SimWindow* controller = desktop.Window(Controller()->Hwnd());
    run.inner = controller->handler;
    run.body = [&] { Controller()->FollowBrowser({browser, url, PanelHosting::OwnedPopup}); };
    controller->handler = &run;
    Win().Send(Controller()->Hwnd(), OnMainThread::kRun, 0, 0);
    desktop.Window(Controller()->Hwnd())->handler = run.inner;
  }
  std::uint32_t other = 0;
};

// The collapsed 1 x 1 panel's place: 30 pixels in from the right edge, 15 up from the bottom.
Rect Corner(Rect b) { return Rect{b.right - 30, b.bottom - 16, b.right - 29, b.bottom - 15}; }

TEST_F(OwnedPanelTest, FollowsItsBrowsersEventsAndNeverTakesTheFocus) {
  desktop.Run([&] {
    Config(L"LastBaseURLNavigated", L"stoppostbacks");  // no page is loaded
    StartClient();
    Win().KillTimer(Controller()->Hwnd(), CONTROLLER_TIMER_ID);
    WindowHandle browser = Open(L"Chrome_WidgetWin_1", Rect{100, 80, 1000, 760});
    Others().SetForeground(browser);
    Follow(browser, L"http://a.example/");
    ZephquillWnd* panel = AsClient([&] { return FindAttachedPanel(browser); });
    ASSERT_TRUE(panel && panel->OwnedPopup());
    const WindowHandle p = panel->Hwnd();
    EXPECT_EQ(Win().Style(p) & (ws::Popup | ws::Child), ws::Popup);
    EXPECT_EQ(Win().Parent(p), browser) << "owned by the browser";
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
    // Moves, minimising and restoring at the browser's event: modern_window.zqs.
    Others().MoveWindow(browser, Rect{300, 200, 900, 700});
    const Rect here = Corner(Rect{300, 200, 900, 700});
    settle("moved", true, here);
    Others().SetForeground(Open(L"Notepad", Rect{0, 0, 200, 100}));
    settle("a window beside it in front", true, here);
    Others().SetForeground(Open(L"Notepad", Rect{500, 500, 1000, 800}));
    settle("a window over it in front", false, here);
    Others().SetForeground(browser);
    settle("the browser in front again", true, here);

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
    Others().MoveWindow(browser, Rect{300, 200, 1200, 880});
    settle("moved once collapsed and sized", true, Rect{1170, 665, 1470, 865});

    Follow(browser, L"about:blank");  // not followed: the pop-up is found and released
    desktop.SleepMs(10);
    EXPECT_FALSE(Win().IsWindow(p));
    EXPECT_EQ(AsClient([&] { return FindBrowserPanel(browser); }), nullptr);
    Others().MoveWindow(browser, Rect{0, 0, 900, 700});  // no subscriber left to call
    desktop.SleepMs(1);
  });
}

}  // namespace
}  // namespace zq
