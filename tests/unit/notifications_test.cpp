// Tests of notifications: the show decision per content identifier and setting, failing
// identifiers, the tracking thread and its bound, the page's query (clicks of other types,
// a click whose browser cannot be made, and a "murmel" click whose new browser gets the
// notification page: notifications.zqs).
#include <gtest/gtest.h>

#include "app/AppConsts.h"
#include "app/PanelRegistry.h"
#include "client_fixture.h"
#include "platform/sim/sim_browsers.h"
#include "platform/sim/sim_ie_app.h"
#include "platform/sim/sim_web_control.h"

namespace zq {
namespace {

const wchar_t kCommandFailure[] =
    L"Are you sure you're using the most updated version?\r\n Please check for newer "
    L"version available.\r\nCannot perfrom custom operation called shownotificationmsg. "
    L"Error Code = ";

class NotificationTest : public testing::ClientFixture {
 protected:
  // The notification page's words for one notification, then the show command.
  void Offer(const std::wstring& id, const std::wstring& text, const std::wstring& type = L"murmel",
             const std::wstring& link = L"http://site.example/post",
             const std::wstring& ms = L"1000") {
    PageCommand(L"clearnotifycontent", L"");
    PageCommand(L"nextnotificationmsgtype", type);
    PageCommand(L"nextnotificationmsg", text);
    PageCommand(L"nextnotificationlink", link);
    PageCommand(L"nextnotificationcontentid", id);
    PageCommand(L"shownotificationmsg", ms);
  }
  bool PopupShown() { return Win().IsVisible(Controller()->Notifier.Window()); }
  // Lets a shown popup run its course (300 ms out, 1 s stay, 200 ms in, with slack).
  void LetPopupGo() { desktop.SleepMs(2500); }
  size_t Reports(const std::wstring& text) { return StatusWith(text); }
};

TEST(NotificationQuery, EncodesEveryValueAndAddsTheContextOnlyWithAType) {
  EXPECT_EQ(NotificationQuery(L"12", L"false", L"", L"ignored"),
            L"MurmelId=12&IsNotify=1&IsPerSite=false&");
  // A type with empty keywords still brings both parameters.
  EXPECT_EQ(NotificationQuery(L"12", L"true", L"site", L""),
            L"MurmelId=12&IsNotify=1&IsPerSite=true&ctype=site&keywords=&");
  // Values cannot add or cut parameters.
  EXPECT_EQ(NotificationQuery(L"1&IsNotify=0", L"a#b", L"x y", L"k~1&k2"),
            L"MurmelId=1%26IsNotify%3D0&IsNotify=1&IsPerSite=a%23b&ctype=x%20y&keywords=k~1%26k2&");
}

TEST_F(NotificationTest, EachContentIdentifierShowsOnceAndDifferentOnesShowAgain) {
  desktop.Run([&] {
    StartClient();
    CClientDlg& c = *Controller();
    Offer(L"7", L"Hello");
    EXPECT_EQ(c.Notifier.GetCaption(), L"Hello");
    EXPECT_TRUE(PopupShown());
    LetPopupGo();
    ASSERT_FALSE(PopupShown());
    Offer(L" 7 ", L"Hello again");  // the same number, written with blanks
    EXPECT_FALSE(PopupShown());
    EXPECT_EQ(c.Notifier.GetCaption(), L"Hello");
    Offer(L"8", L"Hello");
    EXPECT_TRUE(PopupShown());
    Offer(L"-2147483648", L"Lowest");
    EXPECT_EQ(c.ShownContentIds, (std::set<std::int32_t>{-2147483648, 7, 8}));
    EXPECT_TRUE(status.empty());
  });
}

TEST_F(NotificationTest, WithTheSettingOtherThanOneNothingIsShownOrRecorded) {
  desktop.Run([&] {
    StartClient();
    CClientDlg& c = *Controller();
    for (const wchar_t* off : {L"0", L"true", L"01"}) {
      Config(L"shownotifications", off);
      Offer(L"7", L"Hello");
      EXPECT_FALSE(PopupShown()) << off;
      EXPECT_TRUE(c.ShownContentIds.empty()) << off;
    }
    Config(L"shownotifications", L"1");
    Offer(L"7", L"Hello");
    EXPECT_TRUE(PopupShown());
    EXPECT_EQ(c.ShownContentIds.count(7), 1u);
  });
}

TEST_F(NotificationTest, IdentifiersAndTimesThatAreNoNumbersReportAndShowNothing) {
  desktop.Run([&] {
    StartClient();
    CClientDlg& c = *Controller();
    Offer(L"post-7", L"Hello");
    Offer(L"", L"Hello");
    Offer(L"99999999999", L"Hello");
    EXPECT_EQ(Reports(std::wstring(kCommandFailure) + L"0x80020005"), 2u);
    EXPECT_EQ(Reports(std::wstring(kCommandFailure) + L"0x8002000a"), 1u);
    // A bad display time fails before anything is recorded, so the id shows later.
    Offer(L"9", L"Hello", L"murmel", L"http://site.example/", L"soon");
    EXPECT_EQ(Reports(std::wstring(kCommandFailure) + L"0x80020005"), 3u);
    EXPECT_FALSE(PopupShown());
    EXPECT_TRUE(c.ShownContentIds.empty());
    Offer(L"9", L"Hello");
    EXPECT_TRUE(PopupShown());
  });
}

TEST_F(NotificationTest, TrackingEndsWithItsReportWhenNoPanelComes) {
  desktop.Run([&] {
    Config(L"ExcludedInURL", L"ignored.example");
    StartClient();
    const std::wstring report =
        L"Cannot trace the event you've clicked on. Please go there manually";
    // An excluded site never gets a panel: the search ends after 60 s, not before.
    Offer(L"1", L"Ignored site", L"murmel", L"http://ignored.example/notes.htm");
    Post(UM_NOTIFICATION_CLICKED, 0, 0);
    desktop.SleepMs(59000);
    EXPECT_EQ(Reports(report), 0u);
    desktop.SleepMs(2000);
    EXPECT_EQ(Reports(report), 1u);
    // A window the user closes ends its search at once.
    Offer(L"2", L"Another", L"murmel", L"http://ignored.example/other");
    Post(UM_NOTIFICATION_CLICKED, 0, 0);
    ASSERT_EQ(desktop.ieApps().Records().size(), 2u);
    Browsers(desktop).Close(desktop.ieApps().Records()[1]->browser);
    desktop.SleepMs(1000);
    EXPECT_EQ(Reports(report), 2u);
  });
}

}  // namespace
}  // namespace zq
