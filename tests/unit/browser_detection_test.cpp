// Tests of browser detection's edges against the simulated desktop's fake browsers: the
// Firefox reply and foreign content windows (the ordinary cases, the version check and
// closing browsers: browser_detection.zqs, tracking_*.zqs; Firefox titles and shell
// failures: u1_detection_faults.zqs).
#include <gtest/gtest.h>

#include "app/ClientProcess.h"
#include "controller/browser/BrowserDetection.h"
#include "platform/sim/sim_browsers.h"
#include "tests/unit/shell_test_util.h"

using namespace zq;
using zq::sim::FakeKind;

namespace {

class BrowserDetectionTest : public zq::testing::ShellTest {
 protected:
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

  sim::SimProcess* client = nullptr;
};

TEST(FirefoxReply, UrlIsTheFirstQuotedField) {
  EXPECT_EQ(ParseFirefoxReply(L"\"http://a.example/x?q=1,2\",\"A, \"B\"\",\"\""),
            L"http://a.example/x?q=1,2");
  EXPECT_EQ(ParseFirefoxReply(L"\"\",\"Blank\",\"\""), L"");
  // Nothing before the separator: no address (never a negative length).
  EXPECT_EQ(ParseFirefoxReply(L"\",\"title\",\"\""), L"");
  EXPECT_EQ(ParseFirefoxReply(L""), L"");
}

ZQ_TEST_RUN_BY(Run, BrowserDetectionTest, FirefoxReplyIsReadWithinItsFirst2048Bytes) {
  std::wstring fits = L"http://long.example/" + std::wstring(2020, L'a');  // 2040 chars
  browsers().Open("ff", FakeKind::Firefox, fits, L"Long");
  EXPECT_EQ(Detect().url, fits);
  // The separator beyond the kept bytes: no address, and nothing read past them.
  browsers().Navigate("ff", fits + L"bbbbbbbbbb", L"Longer");
  ActiveBrowserInfo info = Detect();
  EXPECT_NE(info.window, 0u);
  EXPECT_EQ(info.url, L"");
}

ZQ_TEST_RUN_BY(Run, BrowserDetectionTest, AnotherFirefoxsContentWindowIsNeverTaken) {
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
}

}  // namespace
