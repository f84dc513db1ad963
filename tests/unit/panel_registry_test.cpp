// Tests of the panel registry: records per browser window, their release and removal when
// a panel goes, service windows by title, and closing everything with and without the
// controller.
#include <functional>

#include <gtest/gtest.h>

#include "app/PanelRegistry.h"
#include "panel/ZephquillWnd.h"
#include "platform/sim/sim_browsers.h"
#include "tests/unit/panel_fixture.h"

using namespace zq;

namespace {

class PanelRegistryTest : public zq::testing::PanelFixture {
 protected:
  // A record of `browser` with a panel attached to it.
  std::unique_ptr<BrowserPanelRecord> Record(WindowHandle browser) {
    auto record = std::make_unique<BrowserPanelRecord>(browser, L"http://a.example/");
    record->Panel = std::make_unique<ZephquillWnd>();
    record->Panel->CreateAttached(browser, record->SiteURL);
    return record;
  }
};

TEST_F(PanelRegistryTest, OneRecordPerBrowserWindowUntilReleased) {
  desktop.Run([&] {
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
  });
}

TEST_F(PanelRegistryTest, RecordLeavesOnlyWhenItsPanelWindowIsGone) {
  desktop.Run([&] {
    Start();
    WindowHandle browser = 0;
    ZephquillWnd* panel = nullptr;
    OnMain([&] {
      browser = MakeBrowser();
      panel = StoreBrowserPanel(browser, Record(browser))->Panel.get();
      // A panel whose window still exists is not forgotten (a new object at an old address).
      RemoveBrowserPanelOf(panel);
      EXPECT_EQ(App()->BrowserPanels.size(), 1u);
      RemoveBrowserPanelOf(nullptr);
      // Its window goes: it tells the controller, which has the record removed.
      Plat().windows().Destroy(panel->Hwnd());
    });
    desktop.SleepMs(10);
    EXPECT_EQ(App()->BrowserPanels.size(), 0u);
    EXPECT_TRUE(status.empty());
  });
}

// Service windows by title, their generic title and the disable that closes everything:
// panel_service.zqs.

// Closing everything while a panel is inside its own WM_DESTROY (its hosts pump messages
// while they unload) must leave that panel alone: deleting it there frees the object whose
// destroy handler is still running.
TEST_F(PanelRegistryTest, ClosingEverythingLeavesAPanelThatIsBeingDestroyed) {
  static constexpr unsigned kLook = wm::App + 78;
  struct Look : WindowHandler {
    std::function<void()> body;
    LResult OnMessage(WindowHandle window, unsigned message, WParam wParam,
                      LParam lParam) override {
      if (message == kLook) {
        body();
        return 0;
      }
      return Plat().windows().DefaultProc(window, message, wParam, lParam);
    }
  } look;
  desktop.Run([&] {
    Start();
    WindowHandle panelWindow = 0;
    size_t recordsDuringDestroy = 99;
    look.body = [&] { recordsDuringDestroy = App()->BrowserPanels.size(); };
    OnMain([&] {
      WindowHandle browser = MakeBrowser();
      panelWindow = StoreBrowserPanel(browser, Record(browser))->Panel->Hwnd();
      WindowSpec desc;
      desc.className = L"TestLook";
      desc.handler = &look;
      WindowHandle lookWindow = Plat().windows().Create(desc);
      // Both wait in the queue until the panel's destroy handler pumps messages: the
      // disable closes everything, then the look sees what the registry still holds.
      Win().Post(Controller()->Hwnd(), wm::Command, ID_DISABLE_ENABLE, 0);
      Win().Post(lookWindow, kLook, 0, 0);
      Win().Destroy(panelWindow);
    });
    desktop.SleepMs(50);
    EXPECT_EQ(recordsDuringDestroy, 1u);
    // Its own UM_PANEL_DESTROYED removed the record afterwards.
    EXPECT_TRUE(App()->BrowserPanels.empty());
    EXPECT_EQ(desktop.Window(panelWindow), nullptr);
    EXPECT_EQ(StatusWith(L"Cannot close all dialog window"), 0u);
    EXPECT_EQ(StatusWith(L"Cannot delete zephquill dialog window"), 0u);
  });
}

// A disable handled while a service window is still being made (its host waits for a
// document that never comes and handles messages meanwhile) closes that window only once
// its creation has returned: deleting it there freed the object whose creation still ran.
TEST_F(PanelRegistryTest, DisableDuringAServiceWindowsCreationClosesItAfterwards) {
  desktop.Run([&] {
    Start();
    desktop.web().noDocuments = true;
    Post(wm::Command, ID_MY_SETTINGS, 0);
    ASSERT_EQ(App()->ServiceWindows.size(), 1u);
    WindowHandle made = App()->ServiceWindows[0]->Hwnd();
    const std::wstring title = Win().Title(made);
    ASSERT_TRUE(App()->ServiceWindows[0]->Creating());
    Post(wm::Command, ID_DISABLE_ENABLE, 0);
    EXPECT_FALSE(Controller()->Enabled);
    EXPECT_TRUE(Win().IsWindow(made)) << "not closed from under its own creation";
    desktop.SleepMs(SimpleBrowser::DocumentWaitMs + 100);
    EXPECT_EQ(desktop.Window(made), nullptr);
    EXPECT_TRUE(App()->ServiceWindows.empty());
    EXPECT_EQ(Setting(title), L"<absent>") << "the never placed rectangle is not its place";
    EXPECT_EQ(StatusWith(L"Cannot create dialog window"), 0u);
    EXPECT_EQ(StatusWith(L"Cannot close all dialog window"), 0u);
  });
}

TEST_F(PanelRegistryTest, PanelsLeftAtTheEndCloseWithoutTheController) {
  desktop.Run([&] {
    Start();
    sim::Browsers(desktop).Open("ie", sim::FakeKind::IE6, L"http://news.example/", L"News");
    desktop.SleepMs(1100);
    ASSERT_EQ(App()->BrowserPanels.size(), 1u);
    WindowHandle attached = App()->BrowserPanels.begin()->second->Panel->Hwnd();
    // The modal loop ends without the Exit command: the controller is gone before the
    // shutdown closes the panels, and the panel inside the browser must not stay behind.
    Win().Post(Controller()->Hwnd(), wm::Quit, 0, 0);
    desktop.SleepMs(100);
    EXPECT_TRUE(desktop.Process(pid)->ended);
    EXPECT_EQ(desktop.Window(attached), nullptr);
  });
}

}  // namespace
