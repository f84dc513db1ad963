// Tests of the notification page's query (the show decision per content identifier, the
// setting, identifiers and times that are no numbers, clicks, the tracking's bound and a
// "murmel" click whose new browser gets the notification page: notifications.zqs).
#include <gtest/gtest.h>

#include "controller/ClientDlg.h"

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

}  // namespace
}  // namespace zq
