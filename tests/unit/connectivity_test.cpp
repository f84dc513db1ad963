// Tests of the connectivity check's edges (a check under way while enabled) and of
// the status window's text rules. Checks every 10 s, answers that do not count, their 30 s
// bound, a browser that cannot be made, the service's return and a check under way at exit:
// connectivity.zqs.
#include <gtest/gtest.h>

#include "app/PanelRegistry.h"
#include "client_fixture.h"
#include "controller/StatusDlg.h"
#include "platform/sim/sim_browsers.h"
#include "platform/sim/sim_ie_app.h"
#include "platform/sim/sim_network.h"

namespace zq {
namespace {

class ConnectivityTest : public testing::ClientFixture {
 protected:
  // A page that cannot be loaded: the client disables itself and marks the service lost.
  // Half a second after it, so that the 10 s ticks fall between the test's steps.
  void LoseConnection() {
    PageCommand(L"naverror", L"Error 12029");
    desktop.SleepMs(490);
  }
  size_t Checks() { return desktop.ieApps().Records().size(); }
};

TEST_F(ConnectivityTest, ACheckThatFindsTheServiceWhileEnabledPostsNothingAndKeepsTheMark) {
  desktop.Run([&] {
    StartClient();
    CClientDlg& c = *Controller();
    desktop.ieApps().loadMs = 5000;
    LoseConnection();
    desktop.SleepMs(10000);
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
    EXPECT_EQ(Checks(), 1u);
    EXPECT_EQ(AsClient([&] { return FindBrowserPanel(Browsers(desktop).Find("ff")->frame); }),
              nullptr);
  });
}

class StatusWindowTest : public testing::ClientFixture {
 protected:
  void Line(const std::wstring& text) { PageCommand(L"tracemessage", text); }
  std::wstring Text() {
    return AsClient([&] { return Controller()->StatusText(); });
  }
  WindowHandle Box() { return Controller()->StatusWindow->Hwnd(); }
};

// Lines before the window exists, hidden and shown again: connectivity.zqs.
TEST_F(StatusWindowTest, AFullBoxStartsAfreshAndClearMessagesEmptiesIt) {
  desktop.Run([&] {
    StartClient();
    Post(UM_SHOW_STATUS_WINDOW, 0, 0);
    const std::wstring block(CStatusDlg::kMaxText - 2, L'x');
    Line(block);  // exactly the limit with its line end: kept
    Line(L"next");
    EXPECT_EQ(Text(), block + L"\r\nnext\r\n");
    Line(L"over");  // the box held more than the limit: it starts again with this line
    EXPECT_EQ(Text(), L"over\r\n");
    Win().Post(Box(), wm::Command, CStatusDlg::IDC_CLEAR_MESSAGES, 0);
    desktop.SleepMs(10);
    EXPECT_EQ(Text(), L"");
    Line(L"again");
    EXPECT_EQ(Text(), L"again\r\n");
  });
}

}  // namespace
}  // namespace zq
