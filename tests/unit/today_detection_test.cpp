// Tests of the detection of today's browsers: which windows are browsers, how a shown
// address is completed, and how the found address bar is kept, dropped and waited for.
#include <gtest/gtest.h>

#include <filesystem>

#include "app/Text.h"
#include "controller/browser/BrowserDetection.h"
#include "platform/sim/sim_accessibility.h"
#include "platform/sim/sim_browsers.h"
#include "platform/sim/sim_desktop.h"

using namespace zq;

namespace {

TEST(TodayBrowsers, KnownByWindowClassAndProgram) {
  const struct {
    const wchar_t *windowClass, *executable, *name;
  } cases[] = {
      {L"Chrome_WidgetWin_1", L"chrome.exe", L"Chrome"},
      {L"Chrome_WidgetWin_1", L"MSEDGE.EXE", L"Edge"},
      {L"Chrome_WidgetWin_1", L"brave.exe", L"Brave"},
      {L"Chrome_WidgetWin_1", L"opera.exe", L"Opera"},
      {L"Chrome_WidgetWin_1", L"vivaldi.exe", L"Vivaldi"},
      {L"MozillaWindowClass", L"firefox.exe", L"Firefox"},
      // Electron programs share Chromium's class; the old Firefox frame is not this one's.
      {L"Chrome_WidgetWin_1", L"Code.exe", nullptr},
      {L"MozillaWindowClass", L"chrome.exe", nullptr},
      {L"MozillaUIWindowClass", L"firefox.exe", nullptr},
      {L"Chrome_WidgetWin_1", L"chrome.exe.bak", nullptr},
  };
  for (const auto& c : cases) {
    const TodayBrowser* b = RecogniseTodayBrowser(c.windowClass, c.executable);
    EXPECT_EQ(b ? std::wstring(b->name) : L"-", c.name ? c.name : L"-") << c.executable;
  }
}

TEST(TodayBrowsers, ShownAddressIsCompletedAsTheBrowserLoadsIt) {
  const std::pair<const wchar_t*, const wchar_t*> cases[] = {
      {L"example.com/page", L"https://example.com/page"},
      {L"example.com:8443/a?b=c", L"https://example.com:8443/a?b=c"},
      {L"http://example.com/", L"http://example.com/"},
      {L"localhost:8080/app", L"http://localhost:8080/app"},
      {L"127.0.0.1/x", L"http://127.0.0.1/x"},
      // The browser's own pages keep their scheme, so the site rules pass them by.
      {L"chrome://settings/", L"chrome://settings/"},
      {L"about:blank", L"about:blank"},
      {L"view-source:example.com", L"view-source:example.com"},
      {L"moz-extension://abc/p.html", L"moz-extension://abc/p.html"},
      {L"file:///C:/x.html", L"file:///C:/x.html"},
      // A search being typed, a word, an empty bar: no address.
      {L"weather today", L""},
      {L"weather", L""},
      {L".example.com", L""},
      {L"", L""},
  };
  for (const auto& [shown, loaded] : cases) EXPECT_EQ(CompleteAddress(shown), loaded) << shown;
}

class TodayDetectionTest : public ::testing::Test {
 protected:
  TodayDetectionTest() : desktop(Root()) {}
  static std::string Root() {
    auto root = std::filesystem::path(::testing::TempDir()) / "zq_today_detect";
    std::filesystem::remove_all(root);
    std::filesystem::create_directories(root);
    return root.string();
  }
  // Runs `body` with a process standing for the client idle in its message loop.
  void Run(const std::function<void()>& body) {
    desktop.Run([&] {
      client = desktop.Process(desktop.StartIdleProcess(L"C:\\client.exe", L"client"));
      body();
    });
  }
  ActiveBrowserInfo Detect() {
    ActiveBrowserInfo info;
    BindThread(client);
    FindActiveBrowser(info);
    BindThread(nullptr);
    return info;
  }
  sim::SimBrowsers& browsers() { return sim::Browsers(desktop); }
  sim::SimAccessibility& access() { return desktop.accessibility(); }

  sim::Desktop desktop;
  sim::SimProcess* client = nullptr;
};

TEST_F(TodayDetectionTest, FoundBarIsReadUntilItFailsOrTheProgramChanges) {
  Run([&] {
    browsers().OpenToday("c", "chrome", L"https://a.example/", L"A");
    ActiveBrowserInfo info = Detect();
    EXPECT_EQ(info.window, browsers().Find("c")->frame);
    EXPECT_EQ(info.hosting, PanelHosting::OwnedPopup);
    EXPECT_EQ(info.url, L"https://a.example/");
    // Steps: what happens, then the searches made so far and the address detected.
    const struct {
      std::function<void()> change;
      std::uint64_t searches;
      const wchar_t* url;
    } steps[] = {
        {[] {}, 2, L"https://a.example/"},
        {[&] { browsers().Navigate("c", L"https://b.example/", L"B"); }, 2, L"https://b.example/"},
        {[&] { browsers().Rebuild("c"); }, 4, L"https://b.example/"},
        {[&] { browsers().Update("c", L"139.0.1.2"); }, 6, L"https://b.example/"},
        // A second window gets its own entry; the first one's is kept.
        {[&] { browsers().OpenToday("f", "firefox-now", L"http://f.example/", L"F"); }, 8,
         L"http://f.example/"},
        {[&] { browsers().Focus("c"); }, 8, L"https://b.example/"},
    };
    for (const auto& step : steps) {
      step.change();
      EXPECT_EQ(Detect().url, step.url);
      EXPECT_EQ(access().searches, step.searches) << "after " << ToUtf8(step.url);
    }
    EXPECT_EQ(access().LiveElements(), 2u) << "one held bar per window, nothing else";
  });
}

TEST_F(TodayDetectionTest, SlowBrowserCostsOneLimitPerHangAndKeepsItsAddress) {
  Run([&] {
    browsers().OpenToday("c", "edge", L"https://a.example/", L"A");
    Detect();
    browsers().Answer("c", 3000);
    browsers().Navigate("c", L"https://b.example/", L"B");
    std::uint64_t start = desktop.NowMs();
    EXPECT_EQ(Detect().url, L"https://a.example/");
    EXPECT_EQ(desktop.NowMs() - start, AddressReadLimitMs);
    EXPECT_EQ(Detect().url, L"https://a.example/");
    EXPECT_EQ(desktop.NowMs() - start, AddressReadLimitMs) << "no second wait while it hangs";
    browsers().Answer("c", 0);
    desktop.SleepMs(3000);
    EXPECT_EQ(Detect().url, L"https://b.example/");
  });
}

}  // namespace
