// Browser detection on the real system under Wine: the whole Firefox detection with the
// stand-in Firefox in front. DDE requests and the shell's list are contract cases
// (tests/contract/).
#include "controller/browser/BrowserDetection.h"
#include "fakefox_process.h"
#include "winunit_fixture.h"

namespace zq::win32::test {
namespace {

const wchar_t* const kUrl = L"http://www.example.org/a?b=c";
const wchar_t* const kPage = L"Example Page";

// The detection that the steady tick runs, with the stand-in in front: its frame (the
// content window's parent) and the address it reports.
TEST_F(BackendTest, FirefoxInFrontIsFound) {
  FakeFirefox fox(L"answer", kUrl, kPage);
  ASSERT_NE(fox.frame(), nullptr);
  for (int i = 0; i < 40 && ::GetForegroundWindow() != fox.frame(); ++i) {
    ::SetForegroundWindow(fox.frame());
    ::Sleep(50);
  }
  ASSERT_EQ(::GetForegroundWindow(), fox.frame());
  ActiveBrowserInfo info;
  FindActiveFirefox(info);
  EXPECT_EQ(ToHwnd(info.window), fox.frame());
  EXPECT_EQ(info.url, kUrl);
}

}  // namespace
}  // namespace zq::win32::test
