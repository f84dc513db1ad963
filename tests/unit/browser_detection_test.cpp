// Tests of browser detection's edges against the simulated desktop's fake browsers: the
// Firefox reply and title, foreign content windows and shell failures (the ordinary cases,
// the version check and closing browsers as the client meets them: browser_detection.zqs,
// tracking_*.zqs).
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "app/ClientProcess.h"
#include "app/Text.h"
#include "controller/browser/BrowserDetection.h"
#include "platform/sim/sim_browsers.h"
#include "platform/sim/sim_desktop.h"
#include "tests/unit/shell_test_util.h"

using namespace zq;
using zq::sim::Desktop;
using zq::sim::FakeKind;

namespace {

class BrowserDetectionTest : public ::testing::Test {
 protected:
  BrowserDetectionTest() : desktop(zq::testing::FreshRoot()) {}

  // Runs `body` on the runner while a process that stands for the client idles in its
  // message loop; Detect() then runs detection as that process.
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
  sim::FakeBrowser& browser(const std::string& name) { return *browsers().Find(name); }
  size_t LiveShellObjects() { return desktop.shellWindows().LiveObjects(); }

  Desktop desktop;
  sim::SimProcess* client = nullptr;
};

TEST(FirefoxReply, UrlIsTheFirstQuotedField) {
  EXPECT_EQ(ParseFirefoxReply(L"\"http://a.example/x?q=1,2\",\"A, \"B\"\",\"\""),
            L"http://a.example/x?q=1,2");
  EXPECT_EQ(ParseFirefoxReply(L"\"\",\"Blank\",\"\""), L"");
  // No separator, or nothing before it: no address (never a negative length).
  EXPECT_EQ(ParseFirefoxReply(L"\"http://a.example/\""), L"");
  EXPECT_EQ(ParseFirefoxReply(L"\",\"title\",\"\""), L"");
  EXPECT_EQ(ParseFirefoxReply(L""), L"");
}

TEST_F(BrowserDetectionTest, FirefoxReplyIsReadWithinItsFirst2048Bytes) {
  Run([&] {
    std::wstring fits = L"http://long.example/" + std::wstring(2020, L'a');  // 2040 chars
    browsers().Open("ff", FakeKind::Firefox, fits, L"Long");
    EXPECT_EQ(Detect().url, fits);
    // The separator beyond the kept bytes: no address, and nothing read past them.
    browsers().Navigate("ff", fits + L"bbbbbbbbbb", L"Longer");
    ActiveBrowserInfo info = Detect();
    EXPECT_NE(info.window, 0u);
    EXPECT_EQ(info.url, L"");
  });
}

TEST_F(BrowserDetectionTest, FirefoxTitleMustCarryTheMarkAfterSomeText) {
  Run([&] {
    browsers().Open("ff", FakeKind::Firefox, L"http://a.example/", L"A");
    for (const wchar_t* caption : {L"- Mozilla Firefox", L"- Mozilla Firefox and more",
                                   L"Mozilla Firefox", L"A - mozilla firefox"}) {
      browsers().SetFrameTitle("ff", caption);
      ActiveBrowserInfo info;
      info.url = L"untouched";
      BindThread(client);
      EXPECT_EQ(GetFirefoxForegroundWindow(), 0u) << ToUtf8(caption);
      FindActiveBrowser(info);
      BindThread(nullptr);
      EXPECT_EQ(info.window, 0u);
      EXPECT_EQ(info.url, L"untouched") << "no DDE request without a Firefox in front";
    }
    browsers().SetFrameTitle("ff", L"x- Mozilla Firefox");
    EXPECT_NE(Detect().window, 0u);
  });
}

TEST_F(BrowserDetectionTest, AnotherFirefoxsContentWindowIsNeverTaken) {
  Run([&] {
    browsers().Open("behind", FakeKind::Firefox, L"http://behind.example/", L"Behind");
    browsers().Open("front", FakeKind::Firefox, L"http://front.example/", L"Front");
    // The front window has lost its content window; the one behind still has its own.
    desktop.DestroyWindowTree(browser("front").tabs[0].view, false);
    ActiveBrowserInfo info = Detect();
    EXPECT_EQ(info.window, 0u);
    EXPECT_EQ(info.url, L"http://front.example/") << "the address is read all the same";

    BindThread(client);
    EXPECT_EQ(FindFirefoxContentWindow(browser("front").frame), 0u);
    EXPECT_EQ(FindFirefoxContentWindow(browser("behind").frame), browser("behind").tabs[0].view);
    EXPECT_EQ(FindFirefoxContentWindow(0), 0u);
    BindThread(nullptr);
  });
}

TEST_F(BrowserDetectionTest, ShellFailuresEndThePassAndReleaseEverything) {
  Run([&] {
    browsers().Open("ie", FakeKind::IE6, L"http://six.example/", L"Six");
    // The address cannot be read: the window is set, the address is not.
    browsers().SetFault("url", hr::Fail);
    ActiveBrowserInfo info = Detect();
    EXPECT_EQ(info.window, browser("ie").frame);
    EXPECT_EQ(info.url, L"");
    EXPECT_EQ(LiveShellObjects(), 0u);
    browsers().ClearFault("");

    // The frame cannot be asked for: the item is passed over quietly.
    browsers().SetFault("shellbrowser", hr::Fail);
    EXPECT_EQ(Detect().window, 0u);
    browsers().ClearFault("");
    // No shell list at all: nothing found.
    browsers().SetFault("create", static_cast<HResult>(0x80040154u));
    EXPECT_EQ(Detect().window, 0u);
    browsers().ClearFault("");
    EXPECT_EQ(Detect().window, browser("ie").frame);
    EXPECT_EQ(LiveShellObjects(), 0u);
  });
}

}  // namespace
