// Tests of the controller's dispatcher: the navigation error and the check it starts,
// unknown words and services, closing a panel, the start-up entry (the notification fields
// and the other words: dispatcher_words.zqs).
#include <gtest/gtest.h>

#include <algorithm>

#include "app/ErrorReport.h"
#include "app/PanelRegistry.h"
#include "client_fixture.h"
#include "controller/ServiceSeams.h"
#include "controller/browser/BrowserDetection.h"
#include "panel/StartupEntry.h"
#include "panel/ZephquillWnd.h"
#include "platform/sim/sim_browsers.h"
#include "platform/sim/sim_registry.h"

namespace zq {
namespace {

const wchar_t kFailurePrefix[] =
    L"Are you sure you're using the most updated version?\r\n Please check for newer "
    L"version available.\r\nCannot perfrom custom operation called ";

// Services that write down what they were asked.
class RecordingServices : public ControllerServices {
 public:
  explicit RecordingServices(std::vector<std::wstring>& log) : log_(log) {}
  void ShowNotification(CClientDlg& c, const std::wstring& time) override {
    log_.push_back(L"show " + time + L" " + c.NotificationContent.Msg);
    if (time == L"bad") throw ComError(hr::TypeMismatch);
  }
  void NotificationClicked(CClientDlg&) override { log_.push_back(L"click"); }
  void UpdateClient(CClientDlg&) override { log_.push_back(L"update"); }
  void RestartClient(CClientDlg&) override { log_.push_back(L"restart"); }
  void CheckNightlyRestart(CClientDlg&) override { log_.push_back(L"nightly"); }
  bool StartConnectivityCheck(CClientDlg&) override {
    log_.push_back(L"check");
    return startChecks;
  }
  bool startChecks = false;

 private:
  std::vector<std::wstring>& log_;
};

class DispatcherTest : public testing::ClientFixture {
 protected:
  RecordingServices& Record() {
    auto services = std::make_unique<RecordingServices>(calls);
    RecordingServices* raw = services.get();
    Controller()->SetServices(std::move(services));
    return *raw;
  }
  long Calls(const wchar_t* what) { return std::count(calls.begin(), calls.end(), what); }
  std::vector<std::wstring> calls;
};

TEST_F(DispatcherTest, NavErrorDisablesOnceAndDisabledTicksStartOneCheckAtATime) {
  desktop.Run([&] {
    StartClient();
    RecordingServices& services = Record();
    CClientDlg& c = *Controller();
    PageCommand(L"NavError", L"Res://Page 404");
    EXPECT_EQ(status, (std::vector<std::wstring>{L"Res://Page 404\r\n"}));
    EXPECT_TRUE(c.ConnectionLost);
    EXPECT_FALSE(c.Enabled);
    EXPECT_EQ(TrayPicture(), IDI_TRAY_UNREACHABLE);
    EXPECT_EQ(Tooltip(), L"Zephquill is DISABLED\r\nCannot connect to servers...");
    // Already disabled: no toggle back on, the unreachable picture all the same.
    Post(UM_TRAY_ICON_CONTROL, TRAY_ACTION_CHANGE_ICON, IDI_TRAY_DISABLED);
    PageCommand(L"naverror", L"again");
    EXPECT_FALSE(c.Enabled);
    EXPECT_EQ(TrayPicture(), IDI_TRAY_UNREACHABLE);

    // Ticks every 10 s; a check that could not start leaves the flag clear for the next.
    desktop.SleepMs(20000);
    EXPECT_EQ(Calls(L"check"), 2);
    EXPECT_FALSE(c.CheckRunning);
    services.startChecks = true;  // one that started runs alone until it clears the flag
    desktop.SleepMs(30000);
    EXPECT_EQ(Calls(L"check"), 3);
    EXPECT_TRUE(c.CheckRunning);
    EXPECT_EQ(Calls(L"nightly"), 0);
  });
}

TEST_F(DispatcherTest, UnknownWordsAndFailingServicesAreReportedWithTheWord) {
  desktop.Run([&] {
    StartClient();
    Record();
    const size_t texts = LiveTextCount();
    // A panel passes "drag" on because only "Drag" is its own; here it is unknown.
    PageCommand(L"drag", L"Left %s");
    ASSERT_EQ(status.size(), 2u);
    EXPECT_EQ(status[0],
              L"An unknown command [drag] was requested with paramenter [Left %s]. throwing "
              L"an exception.\r\n");
    EXPECT_EQ(status[1], std::wstring(kFailurePrefix) +
                             L"drag. Error Code = 0x80004005, Error Message: Unspecified "
                             L"error   \r\n");
    status.clear();
    PageCommand(L"nextnotificationmsg", L"Hi_there");
    PageCommand(L"ShowNotificationMsg", L"5000");
    PageCommand(L"clickonnotificationmsg", L"");
    PageCommand(L"appclientrestart", L"");
    PageCommand(L"UpdateClientVersion", L"");
    Post(UM_NOTIFICATION_CLICKED, 0, 0);
    desktop.SleepMs(1000);  // an enabled tick runs the nightly check
    EXPECT_EQ(calls, (std::vector<std::wstring>{L"show 5000 Hi there", L"click", L"restart",
                                                L"update", L"click", L"nightly"}));
    EXPECT_TRUE(status.empty());
    PageCommand(L"shownotificationmsg", L"bad");
    ASSERT_EQ(status.size(), 1u);
    EXPECT_EQ(
        status[0].rfind(
            std::wstring(kFailurePrefix) + L"shownotificationmsg. Error Code = 0x80020005", 0),
        0u);
    EXPECT_EQ(LiveTextCount(), texts);
  });
}

TEST_F(DispatcherTest, ClosePanelClosesOnlyALivePanelAndItsRecordGoesWithTheWindow) {
  desktop.Run([&] {
    sim::Browsers(desktop).Open("ie", sim::FakeKind::IE6, L"http://a.example/", L"A");
    StartClient(4500);
    const WindowHandle browser = AsClient([] {
      ActiveBrowserInfo info;
      FindActiveBrowser(info);
      return info.window;
    });
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
    EXPECT_TRUE(status.empty());
  });
}

TEST_F(DispatcherTest, StartWithComputerAddsTheEntryForExactlyOne) {
  desktop.registry().CreateKey(RegRoot::CurrentUser, kRunKey);
  Config(L"WindowsStartupKey", L"Quill");
  desktop.Run([&] {
    StartClient();
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
