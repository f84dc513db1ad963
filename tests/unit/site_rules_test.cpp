// Tests of the site rules and the exclusion settings, of panels that must not be made, and of
// the tooltip cut (the road of a visit: tracking_*.zqs).

#include "app/PanelRegistry.h"
#include "app/Text.h"
#include "client_fixture.h"
#include "platform/sim/sim_browsers.h"

namespace zq {
namespace {

class SiteRulesTest : public testing::ClientFixture {
 protected:
  // "1" per address followed, "0" not; `reset` forgets the lists so they are read again.
  std::string Answers(const std::vector<std::wstring>& addresses, bool reset = true) {
    if (reset) {
      Controller()->ExcludedStartWithURL.Clear();
      Controller()->ExcludedInURL.Clear();
    }
    return AsClient([&] {
      std::string out;
      for (const std::wstring& a : addresses) out += Controller()->ShouldFollowURL(a) ? '1' : '0';
      return out;
    });
  }
  BrowserPanelRecord* Record(WindowHandle browser) {
    return AsClient([&] { return FindBrowserPanel(browser); });
  }
};

ZQ_ON_DESKTOP_TEST(SiteRulesTest, NoRecordWithoutAPanelAndNoPanelBesideAForeignOne) {
  sim::Browsers(desktop).Open("ie", sim::FakeKind::IE6, L"http://a.example/", L"A");
  StartClient(3010);
  // A panel that cannot be attached leaves no record that would block the next try.
  const WindowHandle gone = 0x7FFF0;
  BrowserPanelRecord* made = AsClient([&] {
    return Controller()->CreateBrowserPanel({gone, L"http://a.example/"});
  });
  desktop.SleepMs(10);
  EXPECT_EQ(made, nullptr);
  EXPECT_EQ(Record(gone), nullptr);
  ASSERT_EQ(status.size(), 1u);
  EXPECT_EQ(status[0].rfind(L"Cannot assign floating window to the active browser", 0), 0u);

  // A browser that already shows a panel this registry does not own is left alone.
  const WindowHandle browser = sim::Browsers(desktop).Find("ie")->frame;
  AsClient([&] {
    return Win().Create(
        {L"ZQFloatWndClassName", L"", ws::Child, 0, {}, Win().FirstChild(browser), nullptr, 0});
  });
  desktop.SleepMs(2000);
  EXPECT_EQ(Record(browser), nullptr);
  EXPECT_EQ(Tooltip(), L"Zephquill is enabled");  // untouched since start-up
}

// A disable handled while detection waits (on a silent Firefox) keeps the disabled tooltip.
ZQ_ON_DESKTOP_TEST(SiteRulesTest, ADisableDuringDetectionKeepsTheDisabledTooltipAndTheRules) {
  sim::Browsers(desktop).Open("ff", sim::FakeKind::Firefox, L"http://a.example/", L"A");
  sim::Browsers(desktop).SetDde("ff", sim::DdeMode::Silent);
  StartClient(4010);  // the first tick (at 4 s) waits for the silent server
  AsClient([&] { Controller()->Disable(); });
  desktop.SleepMs(6000);
  EXPECT_EQ(Tooltip(), L"Zephquill is DISABLED\r\nYour not visible...");
  // Built in: about:, file: and http:/// are excluded; only "http" addresses follow.
  EXPECT_EQ(Answers({L"http://a/", L"https://b/", L"httpish:x", L"about:blank", L"file:///c",
                     L"http:///x", L"HTTP://A/", L"ftp://a/", L"", L" http://a/"}),
            "1110000000");
  // A value replaces the built-in list whole; blanks around items are trimmed, matching
  // is literal and case-sensitive.
  Config(L"ExcludedStartWithURL", L"https: ; http://*.test ");
  EXPECT_EQ(Answers({L"https://b/", L"http:///x", L"about:x", L"http://a.test/", L"http://*.test/",
                     L"HTTP://*.test/"}),
            "010100");
  Config(L"ExcludedInURL", L"bank;login;");  // the last ";" adds no empty item
  EXPECT_EQ(Answers({L"http://a/", L"http://mybank.com/", L"http://x/?login", L"http://x/Bank"}),
            "1001");
  // An empty item in either list matches every address.
  Config(L"ExcludedInURL", L"bank;  ;login");
  EXPECT_EQ(Answers({L"http://a/"}), "0");
  Config(L"ExcludedInURL", L"");
  Config(L"ExcludedStartWithURL", L"about:;;file:");
  EXPECT_EQ(Answers({L"http://a/"}), "0");
  // The start list is read once; an empty fragment list again and again until it has items.
  Config(L"ExcludedStartWithURL", L"about:");
  EXPECT_EQ(Answers({L"http://secret.example/"}), "1");
  Config(L"ExcludedStartWithURL", L"http://secret");
  Config(L"ExcludedInURL", L"Secret");
  EXPECT_EQ(Answers({L"http://secret.example/", L"http://x/Secret"}, false), "10");
  Config(L"ExcludedInURL", L"example");
  EXPECT_EQ(Answers({L"http://secret.example/"}, false), "1");
}

TEST(TrackingTooltip, TextsOverSixtyThreeUnitsKeepSixtyAndDots) {
  const std::wstring exact(63, L'a');
  EXPECT_EQ(CClientDlg::CutTrackingTooltip(exact), exact);
  EXPECT_EQ(CClientDlg::CutTrackingTooltip(exact + L"b"), std::wstring(60, L'a') + L"...");
  // The tray counts UTF-16 units: a pair is never split, so the cut may keep 59 units.
  const std::wstring pair = FromUtf8("\xF0\x9F\x98\x80");  // U+1F600
  EXPECT_EQ(CClientDlg::CutTrackingTooltip(std::wstring(59, L'a') + pair + L"bbbbb"),
            std::wstring(59, L'a') + L"...");
  const std::wstring fits = std::wstring(61, L'a') + pair;  // 63 units
  EXPECT_EQ(CClientDlg::CutTrackingTooltip(fits), fits);
}

}  // namespace
}  // namespace zq
