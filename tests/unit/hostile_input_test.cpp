// The hostile-input suite (ctest label "hostile"): what a third-party page, a foreign frame
// or a page's link may try against the running client, and what it must show instead.
#include <gtest/gtest.h>

#include "app/AppConsts.h"
#include "app/Messages.h"
#include "app/Text.h"
#include "client_fixture.h"
#include "platform/sim/sim_ie_app.h"
#include "platform/sim/sim_web_control.h"

namespace zq {
namespace {

// The notification window's control: the second one the client makes.
constexpr int kPage = 2;
const std::wstring kService = L"http://" ZQ_APP_HOST L"/Panel/PollingNotifications.aspx";

class HostileInput : public testing::ClientFixture {
 protected:
  // The notification window shows `address`, loaded.
  void Show(const std::wstring& address) {
    ASSERT_TRUE(desktop.web().Navigate(kPage, address));
    desktop.SleepMs(10);
    if (desktop.web().Control(kPage)->pending) ASSERT_TRUE(desktop.web().Complete(kPage, L"Page"));
    desktop.SleepMs(10);
  }
  // The page itself navigates to a command address.
  void Command(const std::wstring& url) {
    ASSERT_TRUE(desktop.web().Navigate(kPage, url));
    desktop.SleepMs(10);
  }
  const sim::SimNavigation& LastNavigation() {
    return desktop.web().Control(kPage)->navigations.back();
  }
  static std::wstring Store(const std::wstring& key) {
    return L"zqwndcmd::CMD:1232~wParam:" + key + L"~lParam:1~";
  }
  void Notify(const std::wstring& link, const std::wstring& text = L"Hello") {
    PageCommand(L"clearnotifycontent", L"");
    PageCommand(L"nextnotificationmsgtype", L"murmel");
    PageCommand(L"nextnotificationmsg", text);
    PageCommand(L"nextnotificationlink", link);
    PageCommand(L"nextnotificationcontentid", L"1");
  }
};

// A third-party page in a panel, and the built-in pages, which carry no script.
TEST_F(HostileInput, ThirdPartyPageCannotCommand) {
  desktop.Run([&] {
    StartClient();
    for (const wchar_t* page : {L"http://evil.example/Panel/", L"about:blank"}) {
      Show(page);
      Command(Store(L"Stolen"));
      EXPECT_EQ(LastNavigation().outcome, "cancelled");
      EXPECT_EQ(Setting(L"Stolen"), L"<absent>");
      EXPECT_EQ(StatusWith(std::wstring(L"is not a service page: ") + page), 1u) << ToUtf8(page);
    }
  });
}

// A foreign frame inside a service page: neither its own command address nor one it
// makes the top level navigate to is obeyed.
TEST_F(HostileInput, ForeignFrameCannotCommand) {
  desktop.Run([&] {
    StartClient();
    Show(kService);
    ASSERT_TRUE(desktop.web().FrameNavigate(kPage, Store(L"FromFrame")));
    desktop.SleepMs(10);
    EXPECT_EQ(LastNavigation().outcome, "cancelled");
    EXPECT_EQ(StatusWith(L"because a frame sent it"), 1u);
    ASSERT_TRUE(desktop.web().FrameNavigate(kPage, L"http://ads.example/banner.html"));
    ASSERT_TRUE(desktop.web().FrameNavigateTop(kPage, Store(L"FromTop")));
    desktop.SleepMs(10);
    EXPECT_EQ(LastNavigation().outcome, "cancelled");
    EXPECT_EQ(Setting(L"FromFrame"), L"<absent>");
    EXPECT_EQ(Setting(L"FromTop"), L"<absent>");
    EXPECT_EQ(StatusWith(L"holds a frame that is not a service page: http://ads.example/"), 1u);
    EXPECT_TRUE(Controller()->Enabled) << "a frame's command address is no navigation error";
  });
}

// Only web addresses are opened: a notification's link, a service window's page and a
// panel's base page. Each refusal opens nothing and says why in the status window.
TEST_F(HostileInput, OnlyWebAddressesAreOpened) {
  desktop.Run([&] {
    StartClient();
    Show(kService);
    const std::wstring kRefused = L"was not opened because it is not a web (http or https)";
    const std::wstring before = Controller()->NotificationWindow.BaseUrl;
    const size_t controls = desktop.web().Controls().size();
    for (const wchar_t* link :
         {L"file:///C:/Windows/win.ini", L"FILE:///C:/x", L"\\\\attacker.example\\share\\x.htm",
          L"//attacker.example/share", L"javascript:alert(1)", L"JavaScript:alert(1)",
          L"vbscript:msgbox(1)", L"mailto:a@b.example", L"ms-settings:privacy",
          L"res://ieframe.dll/x.htm", L"about:blank", L" http://site.example/",
          L"\thttp://site.example/", L"http:///nohost", L"http:\\\\site.example\\", L"",
          L"http://site.example/\r\nx"}) {
      const size_t seen = StatusWith(kRefused);
      Notify(link);
      PageCommand(L"clickonnotificationmsg", L"");
      // A service window's request is "title;address" with blanks around each part allowed.
      const bool blankLed = *link == L' ' || *link == L'\t';
      if (!blankLed)
        Command(L"zqwndcmd::CMD:1226~wParam:Title;" + std::wstring(link) + L"~lParam:~");
      Command(L"zqwndcmd::CMD:1225~wParam:" + std::wstring(link) + L"~lParam:~");
      EXPECT_TRUE(desktop.ieApps().Records().empty()) << ToUtf8(link);
      EXPECT_EQ(desktop.web().Controls().size(), controls) << ToUtf8(link);
      EXPECT_EQ(Controller()->NotificationWindow.BaseUrl, before) << ToUtf8(link);
      // An empty address asks for no window and resets the base page: nothing to explain.
      EXPECT_EQ(StatusWith(kRefused) - seen, !*link ? 1u : blankLed ? 2u : 3u) << ToUtf8(link);
    }
    Notify(L"HTTPS://Site.Example/post");
    PageCommand(L"clickonnotificationmsg", L"");
    EXPECT_EQ(desktop.ieApps().Records().size(), 1u) << "the scheme in any case is a web address";
  });
}

// An oversized command address is refused whole; a notification text full of markup is
// shown as the text it is.
TEST_F(HostileInput, OversizedCommandAndMarkupInAComment) {
  desktop.Run([&] {
    StartClient();
    Show(kService);
    Command(L"zqwndcmd::CMD:1232~wParam:Huge~lParam:" + std::wstring(1 << 20, L'x') + L"~");
    EXPECT_EQ(LastNavigation().outcome, "cancelled");
    EXPECT_EQ(Setting(L"Huge"), L"<absent>");
    EXPECT_EQ(StatusWith(L"its address is too long: 1048615 characters"), 1u);
    Command(Store(L"Small"));
    EXPECT_EQ(Setting(L"Small"), L"1") << "the page is still obeyed after the refusal";

    const std::wstring comment = L"<script>alert(1)</script><img src=x onerror=alert(2)>&amp;";
    Notify(L"http://site.example/post", comment);
    PageCommand(L"shownotificationmsg", L"1000");
    EXPECT_EQ(Controller()->Notifier.GetCaption(), comment);
    PageCommand(L"tracemessage", comment);
    EXPECT_EQ(StatusWith(comment), 1u);
  });
}

}  // namespace
}  // namespace zq
