// Tests of notifications: the page's query and the show decision per content identifier
// (the setting, identifiers and times that are no numbers, clicks, the tracking's bound and a
// "murmel" click whose new browser gets the notification page: notifications.zqs).
#include <gtest/gtest.h>

#include "app/AppConsts.h"
#include "client_fixture.h"

namespace zq {
namespace {

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

using NotificationTest = testing::ClientFixture;

TEST_F(NotificationTest, EachContentIdentifierShowsOnceAndDifferentOnesShowAgain) {
  desktop.Run([&] {
    StartClient();
    CClientDlg& c = *Controller();
    auto offer = [&](const std::wstring& id, const std::wstring& text) {
      PageCommand(L"clearnotifycontent", L"");
      PageCommand(L"nextnotificationmsg", text);
      PageCommand(L"nextnotificationcontentid", id);
      PageCommand(L"shownotificationmsg", L"1000");
      return Win().IsVisible(c.Notifier.Window());
    };
    EXPECT_TRUE(offer(L"7", L"Hello"));
    desktop.SleepMs(2500);  // 300 ms out, 1 s stay, 200 ms in, with slack
    ASSERT_FALSE(Win().IsVisible(c.Notifier.Window()));
    EXPECT_FALSE(offer(L" 7 ", L"Hello again"));  // the same number, written with blanks
    EXPECT_EQ(c.Notifier.GetCaption(), L"Hello");
    EXPECT_TRUE(offer(L"8", L"Hello"));
    offer(L"-2147483648", L"Lowest");
    EXPECT_EQ(c.ShownContentIds, (std::set<std::int32_t>{-2147483648, 7, 8}));
    EXPECT_TRUE(status.empty());
  });
}

}  // namespace
}  // namespace zq
