// The hostile-input suite (ctest label "hostile", docs/hostile-input.md): what a third-party
// page, a foreign frame or a page's link may try against the running client.

#include "app/Text.h"
#include "client_fixture.h"
#include "platform/sim/sim_ie_app.h"
#include "platform/sim/sim_web_control.h"

namespace zq {
namespace {

constexpr int kPage = 2;  // the notification window's control
const std::wstring kService = L"http://" ZQ_APP_HOST L"/Panel/PollingNotifications.aspx";

class HostileInput : public testing::ClientFixture {
 protected:
  // The page navigates to `url` (a page, loaded, or a command address); the last outcome.
  std::string Go(const std::wstring& url) {
    sim::SimWebControls& web = desktop.web();
    EXPECT_TRUE(web.Navigate(kPage, url));
    desktop.SleepMs(10);
    if (web.Control(kPage)->pending) web.Complete(kPage, L"Page");
    desktop.SleepMs(10);
    return web.Control(kPage)->navigations.back().outcome;
  }
  static std::wstring Store(const std::wstring& key, const std::wstring& value = L"1") {
    return L"zqwndcmd::CMD:1232~wParam:" + key + L"~lParam:" + value + L"~";
  }
  void Notify(const std::wstring& link, const std::wstring& text = L"Hello") {
    for (auto [word, argument] : {std::pair(L"clearnotifycontent", L""),
                                  {L"nextnotificationmsgtype", L"murmel"},
                                  {L"nextnotificationcontentid", L"1"}})
      PageCommand(word, argument);
    PageCommand(L"nextnotificationmsg", text);
    PageCommand(L"nextnotificationlink", link);
  }
};

// A third-party page in a panel, and a built-in page, which carries no script.
ZQ_ON_DESKTOP_TEST(HostileInput, ThirdPartyPageCannotCommand) {
  StartClient();
  for (const std::wstring page : {L"http://evil.example/Panel/", L"about:blank"}) {
    Go(page);
    EXPECT_EQ(Go(Store(L"Stolen")), "cancelled");
    EXPECT_EQ(Setting(L"Stolen"), L"<absent>");
    EXPECT_EQ(StatusWith(L"is not a service page: " + page), 1u) << ToUtf8(page);
  }
}

// A frame's command address, its own or the top level's, is obeyed only from service frames.
ZQ_ON_DESKTOP_TEST(HostileInput, ForeignFrameCannotCommand) {
  StartClient();
  Go(kService);
  sim::SimWebControls& web = desktop.web();
  ASSERT_TRUE(web.FrameNavigate(kPage, Store(L"FromFrame")));
  ASSERT_TRUE(web.FrameNavigate(kPage, L"http://" ZQ_APP_HOST L"/Panel/Inner.aspx"));
  ASSERT_TRUE(web.FrameNavigateTop(kPage, Store(L"FromServiceFrame")));
  ASSERT_TRUE(web.FrameNavigate(kPage, L"http://ads.example/banner.html"));
  ASSERT_TRUE(web.FrameNavigateTop(kPage, Store(L"FromTop")));
  desktop.SleepMs(10);
  EXPECT_EQ(web.Control(kPage)->navigations[3].outcome, "cancelled");
  EXPECT_EQ(Setting(L"FromFrame"), L"<absent>");
  EXPECT_EQ(Setting(L"FromServiceFrame"), L"1");
  EXPECT_EQ(Setting(L"FromTop"), L"<absent>");
  EXPECT_EQ(StatusWith(L"because a frame sent it"), 1u);
  EXPECT_EQ(StatusWith(L"holds a frame that is not a service page: http://ads.example/"), 1u);
  EXPECT_TRUE(Controller()->Enabled) << "a frame's command address is no navigation error";
}

// Links, service window pages (1226) and base pages (1225) open only if they are web addresses.
ZQ_ON_DESKTOP_TEST(HostileInput, OnlyWebAddressesAreOpened) {
  StartClient();
  Go(kService);
  const std::wstring refused = L"was not opened because it is not a web (http or https)";
  const size_t controls = desktop.web().Controls().size();
  for (const std::wstring link :
       {L"file:///C:/Windows/win.ini", L"FILE:///C:/x", L"\\\\attacker.example\\share\\x.htm",
        L"//attacker.example/share", L"javascript:alert(1)", L"JavaScript:alert(1)",
        L"vbscript:msgbox(1)", L"mailto:a@b.example", L"ms-settings:privacy",
        L"res://ieframe.dll/x.htm", L"about:blank", L" http://site.example/",
        L"\thttp://site.example/", L"http:///nohost", L"http:\\\\site.example\\", L"",
        L"http://site.example/\r\nx"}) {
    const size_t seen = StatusWith(refused);
    Notify(link);
    PageCommand(L"clickonnotificationmsg", L"");
    // A service window's request is "title;address", blanks around each part allowed.
    const bool blankLed = !link.empty() && (link[0] == L' ' || link[0] == L'\t');
    if (!blankLed) Go(L"zqwndcmd::CMD:1226~wParam:Title;" + link + L"~lParam:~");
    Go(L"zqwndcmd::CMD:1225~wParam:" + link + L"~lParam:~");
    EXPECT_TRUE(desktop.ieApps().Records().empty()) << ToUtf8(link);
    EXPECT_EQ(desktop.web().Controls().size(), controls) << ToUtf8(link);
    EXPECT_EQ(Controller()->NotificationWindow.BaseUrl, L"") << ToUtf8(link);
    // An empty address asks for no window and resets the base page: nothing to explain.
    EXPECT_EQ(StatusWith(refused) - seen, link.empty() ? 1u : blankLed ? 2u : 3u) << ToUtf8(link);
  }
  // The stop marker is a panel page the service may choose, though no web address.
  Go(L"zqwndcmd::CMD:1225~wParam:stoppostbacks~lParam:~");
  EXPECT_EQ(Controller()->NotificationWindow.BaseUrl, L"stoppostbacks");
  Notify(L"HTTPS://Site.Example/post");
  PageCommand(L"clickonnotificationmsg", L"");
  EXPECT_EQ(desktop.ieApps().Records().size(), 1u) << "the scheme in any case is a web address";
}

ZQ_ON_DESKTOP_TEST(HostileInput, OversizedCommandAndMarkupInAComment) {
  StartClient();
  Go(kService);
  EXPECT_EQ(Go(Store(L"Huge", std::wstring(1 << 20, L'x'))), "cancelled");
  EXPECT_EQ(Setting(L"Huge"), L"<absent>");
  EXPECT_EQ(StatusWith(L"its address is too long: 1048615 characters"), 1u);
  Go(Store(L"Small"));
  EXPECT_EQ(Setting(L"Small"), L"1") << "the page is still obeyed after the refusal";

  const std::wstring comment = L"<script>alert(1)</script><img src=x onerror=alert(2)>&amp;";
  Notify(L"http://site.example/post", comment);
  PageCommand(L"shownotificationmsg", L"1000");
  EXPECT_EQ(Controller()->Notifier.GetCaption(), comment);
  PageCommand(L"tracemessage", comment);
  EXPECT_EQ(StatusWith(comment), 1u);
}

}  // namespace
}  // namespace zq
