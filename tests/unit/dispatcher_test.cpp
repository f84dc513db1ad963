// Tests of the controller's dispatcher: closing a panel and the start-up entry (the other
// words, unknown ones and the navigation error: dispatcher_words.zqs; the checks a navigation
// error starts: connectivity.zqs).
#include <gtest/gtest.h>

#include "app/PanelRegistry.h"
#include "client_fixture.h"
#include "panel/StartupEntry.h"
#include "panel/ZephquillWnd.h"
#include "platform/sim/sim_browsers.h"
#include "platform/sim/sim_registry.h"

namespace zq {
namespace {

using DispatcherTest = testing::ClientFixture;

TEST_F(DispatcherTest, ClosePanelAndTheStartUpEntry) {
  desktop.registry().CreateKey(RegRoot::CurrentUser, kRunKey);
  Config(L"WindowsStartupKey", L"Quill");
  desktop.Run([&] {
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
  });
}

}  // namespace
}  // namespace zq
