// Tests of the panel window and the panel registry on a running client: the panel page
// address, its page commands, the keyboard filter, and records as windows come and go.

#include "app/AppConsts.h"
#include "app/PanelRegistry.h"
#include "panel/FrontWebBrowser.h"
#include "panel/ZephquillWnd.h"
#include "platform/sim/sim_browsers.h"
#include "platform/sim/sim_web_control.h"
#include "tests/unit/client_fixture.h"

using namespace zq;

namespace {

constexpr const wchar_t* kMinimised = L"http://127.0.0.1:8701/panel/defaultminimize.aspx";

TEST(PanelAddress, ValuesArePercentEncodedAfterTheBasesOwnQuery) {
  EXPECT_EQ(ZephquillWnd::EncodeQueryValue(L"Az09-._~caf\u00e9 100%"),
            L"Az09-._~caf%C3%A9%20100%25");
  // The base keeps its own query (a second "?" follows) and the extra query is the caller's.
  EXPECT_EQ(ZephquillWnd::ComposePanelAddress(L"http://app/P.aspx?Tab=1", L"Ref=n&", L"id 7",
                                              L"http://s/?q=a&b"),
            L"http://app/P.aspx?Tab=1?Ref=n&TavrelZephquillID=id%207"
            L"&TavrelZephquillURL=http%3A%2F%2Fs%2F%3Fq%3Da%26b");
}

// A whole client whose main thread runs test code on request (panels live on their thread).
class PanelTest : public zq::testing::ClientFixture {
 protected:
  static constexpr unsigned kRunOnMain = wm::App + 77;

  // Made on the client's main thread before the client starts, so that its loop serves it.
  struct Driver : WindowHandler {
    LResult OnMessage(WindowHandle window, unsigned message, WParam wParam,
                      LParam lParam) override {
      if (message != kRunOnMain)
        return Plat().windows().DefaultProc(window, message, wParam, lParam);
      (*reinterpret_cast<std::function<void()>*>(wParam))();
      return 0;
    }
  };

  void Start() {
    StartClient(3500, [this] {
      driverWindow_ = Plat().windows().Create({L"TestDriver", L"", 0, 0, {}, 0, &driver_, 0});
    });
  }

  // Runs `body` on the client's main thread: now, or (posted) when its loop next turns.
  void OnMain(std::function<void()> body) {
    Win().Send(driverWindow_, kRunOnMain, reinterpret_cast<WParam>(&body), 0);
  }
  void OnMainLater(std::function<void()>& body) {
    Win().Post(driverWindow_, kRunOnMain, reinterpret_cast<WParam>(&body), 0);
  }

  // A visible top-level window of the client's main thread standing in for a browser.
  static WindowHandle MakeBrowser(WindowHandler* handler = nullptr) {
    return Plat().windows().Create(
        {L"TestBrowser", L"", ws::Visible, 0, Rect{0, 0, 1000, 700}, 0, handler, 0});
  }

  static std::unique_ptr<BrowserPanelRecord> Record(WindowHandle browser) {
    auto record = std::make_unique<BrowserPanelRecord>(browser, L"http://a.example/");
    record->Panel = std::make_unique<ZephquillWnd>();
    record->Panel->CreateAttached(browser, record->SiteURL);
    return record;
  }

  ZephquillWnd* BrowserPanel() {
    sim::Browsers(desktop).Open("ie", sim::FakeKind::IE6, L"http://news.example/", L"News");
    desktop.SleepMs(1100);
    CClientApp* app = App();
    if (!app || app->BrowserPanels.empty()) return nullptr;
    return app->BrowserPanels.begin()->second->Panel.get();
  }

  void ToWindow(WindowHandle window, unsigned message, const std::wstring& w,
                const std::wstring& l = L"") {
    Win().Post(window, message, GiveText(w), GiveLParamText(l));
    desktop.SleepMs(10);
  }

 private:
  Driver driver_;
  WindowHandle driverWindow_ = 0;
};
class PanelWindowTest : public PanelTest {};
class PanelRegistryTest : public PanelTest {};

ZQ_ON_DESKTOP_TEST(PanelWindowTest, PanelPageFollowsItsBaseAddress) {
  Config(L"ClientIdentifier", L"id 7");
  Start();
  OnMain([&] {
    const CAppConsts& k = GetAppConsts();
    ZephquillWnd panel;
    panel.CreateFloating(Controller()->Hwnd(), L"Pages");
    const auto& loaded = panel.LoadedAddresses();
    size_t count = loaded.size();
    panel.BaseUrl = L"StopPostbacks";  // the stop marker is lower case: this loads
    panel.LoadPanelPage(L"http://s.example/", L"");
    EXPECT_EQ(loaded.size(), ++count);
    EXPECT_EQ(desktop.web().ControlIn(panel.FrontBrowser->Hwnd())->navigations.back().url,
              loaded.back());
    panel.BaseUrl = k.StopPostBacksURL;
    panel.LoadPanelPage(L"http://s.example/", L"");
    EXPECT_EQ(loaded.size(), count);
    panel.BaseUrl = k.ClosedFltWndURL;
    panel.LoadPanelPage(L"http://s.example/", L"");
    EXPECT_EQ(loaded.back(), k.ClosedFltWndURL);

    Config(L"LastBaseURLNavigated", L"http://app/Chosen.aspx");
    ZephquillWnd next;
    next.CreateFloating(Controller()->Hwnd(), L"Next");
    next.LoadPanelPage(L"x", L"");
    EXPECT_EQ(next.LoadedAddresses().back(),
              L"http://app/Chosen.aspx?TavrelZephquillID=id%207&TavrelZephquillURL=x");
    next.NavigatePanel(L"");
    EXPECT_EQ(next.LoadedAddresses().size(), 1u);

    // A stored page that is no web address is replaced by the minimised one, in the file too.
    Config(L"LastBaseURLNavigated", L"\\\\attacker.example\\share\\x.htm");
    ZephquillWnd third;
    third.CreateFloating(Controller()->Hwnd(), L"Third");
    third.LoadPanelPage(L"x", L"");
    EXPECT_EQ(third.LoadedAddresses().back().rfind(kMinimised, 0), 0u);
    EXPECT_EQ(Setting(L"LastBaseURLNavigated"), kMinimised);
  });
}

ZQ_ON_DESKTOP_TEST(PanelWindowTest, PageCommandsArePerformedOrPassedOn) {
  Start();
  ZephquillWnd* panel = BrowserPanel();
  ASSERT_NE(panel, nullptr);
  WindowHandle h = panel->Hwnd();
  size_t texts = LiveTextCount();

  // A transparency out of range is kept and applied at its bound; layered stays layered.
  for (auto [given, applied] : {std::pair{-5, 0}, std::pair{300, 255}}) {
    ToWindow(h, UM_PANEL_COMMAND, L"Trasparency", std::to_wstring(given));
    EXPECT_EQ(panel->Alpha, given);
    EXPECT_TRUE(desktop.Window(h)->exStyle & ws::ExLayered);
    EXPECT_EQ(desktop.Window(h)->alpha, applied);
  }
  // "Drag" is the panel's own word ("drag" goes to the controller: panel_attached.zqs).
  ToWindow(h, UM_PANEL_COMMAND, L"Drag", L"0");
  EXPECT_TRUE(status.empty());

  // After its menu (u3_panel_placement.zqs) a floating panel lays its hosts out again.
  ToWindow(Controller()->NotificationWindow.Hwnd(), UM_OPEN_FLOATING_PANEL,
           L"Menu;http://127.0.0.1:8701/Panel/x");
  ASSERT_EQ(App()->ServiceWindows.size(), 1u);
  ZephquillWnd& floating = *App()->ServiceWindows[0];
  Win().MoveWindow(floating.Hwnd(), Rect{100, 100, 400, 300});
  desktop.SleepMs(10);
  Win().MoveWindow(floating.FrontBrowser->Hwnd(), Rect{0, 0, 1, 1});
  ToWindow(floating.Hwnd(), UM_PANEL_COMMAND, L"drillpopupmenu", L"4");
  EXPECT_EQ(Win().ClientRect(floating.FrontBrowser->Hwnd()), Win().ClientRect(floating.Hwnd()));

  // Messages between the panel's commands that are none of them free their texts too.
  ToWindow(h, wm::User + 209, L"a", L"b");
  desktop.SleepMs(100);
  EXPECT_EQ(LiveTextCount(), texts);
}

// Records the key and mouse messages that reach it (a browser the panel forwards keys to).
struct KeyRecorder : WindowHandler {
  LResult OnMessage(WindowHandle window, unsigned message, WParam wParam, LParam lParam) override {
    if ((message >= wm::KeyFirst && message <= wm::KeyLast) ||
        (message >= wm::MouseFirst && message <= wm::MouseLast))
      keys.emplace_back(message, wParam);
    return Plat().windows().DefaultProc(window, message, wParam, lParam);
  }
  std::vector<std::pair<unsigned, WParam>> keys;
};

// The browser's own shortcuts pressed in a panel: u3_panel_placement.zqs, panel_attached.zqs.
ZQ_ON_DESKTOP_TEST(PanelWindowTest, KeyboardFilterForwardsTheBrowsersShortcuts) {
  Start();
  OnMain([&] {
    KeyRecorder recorder;
    ZephquillWnd panel;
    panel.CreateAttached(MakeBrowser(&recorder), L"http://a.example/");
    auto press = [&](unsigned message, WParam key, std::initializer_list<int> held) {
      for (int k : held) desktop.keysDown.insert(k);
      bool swallowed = panel.PreTranslate(panel.Hwnd(), message, key, 0);
      for (int k : held) desktop.keysDown.erase(k);
      Plat().windows().PumpPending();
      return swallowed;
    };
    // Mouse messages carry button flags, not keys; with Alt+Left held they are the shortcut.
    EXPECT_FALSE(press(wm::MouseMove, 0x1B, {}));
    EXPECT_FALSE(press(wm::MouseLast, 0, {0x12, 0x25}));
    EXPECT_EQ(recorder.keys, (std::vector<std::pair<unsigned, WParam>>{{wm::MouseLast, 0x25}}));
  });
}

ZQ_ON_DESKTOP_TEST(PanelRegistryTest, OneRecordPerBrowserWindowUntilReleased) {
  Start();
  OnMain([&] {
    Windows& w = Plat().windows();
    WindowHandle browser = MakeBrowser(), other = MakeBrowser();
    auto first = Record(browser);
    BrowserPanelRecord* kept = first.get();
    WindowHandle firstPanel = first->Panel->Hwnd();
    EXPECT_EQ(StoreBrowserPanel(browser, std::move(first)), kept);
    // A second record for the same window is not kept, and its panel goes.
    auto second = Record(browser);
    WindowHandle secondPanel = second->Panel->Hwnd();
    EXPECT_EQ(StoreBrowserPanel(browser, std::move(second)), kept);
    EXPECT_FALSE(w.IsWindow(secondPanel));
    EXPECT_EQ(FindBrowserPanel(browser), kept);
    EXPECT_EQ(FindBrowserPanel(other), nullptr);
    EXPECT_EQ(FindBrowserPanel(0), nullptr);
    EXPECT_TRUE(IsRegisteredPanel(kept->Panel.get()));
    // A panel whose window still exists is not forgotten (a new object at an old address).
    RemoveBrowserPanelOf(kept->Panel.get());
    RemoveBrowserPanelOf(nullptr);

    // Windows without a record, or gone, change nothing.
    ReleaseBrowserPanel(other);
    ReleaseBrowserPanel(0x7777);
    EXPECT_EQ(App()->BrowserPanels.size(), 1u);
    // The controller closes the panel's window; the record goes.
    ReleaseBrowserPanel(browser);
    EXPECT_FALSE(w.IsWindow(firstPanel));
    EXPECT_EQ(FindBrowserPanel(browser), nullptr);
  });
  desktop.SleepMs(50);
  EXPECT_TRUE(status.empty());
}

// Closing everything while a panel is inside its own WM_DESTROY (its hosts pump messages)
// must leave that panel alone: deleting it there frees the object still running its handler.
ZQ_ON_DESKTOP_TEST(PanelRegistryTest, ClosingEverythingLeavesAPanelThatIsBeingDestroyed) {
  Start();
  WindowHandle panelWindow = 0;
  size_t recordsDuringDestroy = 99;
  std::function<void()> look = [&] { recordsDuringDestroy = App()->BrowserPanels.size(); };
  OnMain([&] {
    WindowHandle browser = MakeBrowser();
    panelWindow = StoreBrowserPanel(browser, Record(browser))->Panel->Hwnd();
    // Both wait until the destroy handler pumps: the disable closes all, then the look.
    Win().Post(Controller()->Hwnd(), wm::Command, ID_DISABLE_ENABLE, 0);
    OnMainLater(look);
    Win().Destroy(panelWindow);
  });
  desktop.SleepMs(50);
  EXPECT_EQ(recordsDuringDestroy, 1u);
  // Its own UM_PANEL_DESTROYED removed the record afterwards.
  EXPECT_TRUE(App()->BrowserPanels.empty());
  EXPECT_EQ(desktop.Window(panelWindow), nullptr);
  EXPECT_EQ(StatusWith(L"Cannot close all dialog window"), 0u);
  EXPECT_EQ(StatusWith(L"Cannot delete zephquill dialog window"), 0u);
}

// The modal loop ends without Exit: the panels close after the controller has gone.
ZQ_ON_DESKTOP_TEST(PanelRegistryTest, PanelsLeftAtTheEndCloseWithoutTheController) {
  Start();
  ZephquillWnd* panel = BrowserPanel();
  ASSERT_NE(panel, nullptr);
  WindowHandle attached = panel->Hwnd();
  Win().Post(Controller()->Hwnd(), wm::Quit, 0, 0);
  desktop.SleepMs(100);
  EXPECT_TRUE(desktop.Process(pid)->ended);
  EXPECT_EQ(desktop.Window(attached), nullptr);
}

}  // namespace
