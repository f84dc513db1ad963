// Tests of a connectivity check that finds the service while the client was enabled by hand,
// and of the status window's limit. Checks every 10 s, answers that do not count, their 30 s
// bound, a browser that cannot be made, the service's return, a check under way at exit and
// the status window's other lines and "Clear Messages": connectivity.zqs.
#include <gtest/gtest.h>

#include "app/PanelRegistry.h"
#include "client_fixture.h"
#include "controller/StatusDlg.h"
#include "platform/sim/sim_browsers.h"
#include "platform/sim/sim_ie_app.h"

namespace zq {
namespace {

using ConnectivityTest = testing::ClientFixture;

TEST_F(ConnectivityTest, EnabledByHandDuringACheckKeepsTheMarkAndAFullStatusBoxStartsAfresh) {
  desktop.Run([&] {
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
  });
}

}  // namespace
}  // namespace zq
