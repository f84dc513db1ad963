// The accessibility seam on the real system under Wine, against the stand-in Chromium
// (chrome.exe, standin_chromium.cpp) that serves its own UI Automation tree across processes.
#include <cstdio>

#include "controller/browser/BrowserDetection.h"
#include "fakefox_process.h"
#include "winunit_fixture.h"

namespace zq::win32::test {
namespace {

const wchar_t* const kShown = L"example.com/page";

// What the core C API itself answers for one property of an element the seam found (the
// backend's elements are the API's nodes): the code and the variant's type.
std::string RawProperty(AccessibleElement element, int property) {
  using Fn = HRESULT(WINAPI*)(void*, int, VARIANT*);
  auto get = reinterpret_cast<Fn>(reinterpret_cast<void*>(
      ::GetProcAddress(::LoadLibraryW(L"uiautomationcore.dll"), "UiaGetPropertyValue")));
  VARIANT v;
  ::VariantInit(&v);
  HRESULT code = get ? get(reinterpret_cast<void*>(element), property, &v) : E_NOTIMPL;
  char line[96];
  std::snprintf(line, sizeof line, "0x%08lx vt=%d", static_cast<unsigned long>(code), V_VT(&v));
  ::VariantClear(&v);
  return line;
}

const char* Named(AccessResult r) {
  static const char* const names[] = {"ok", "not found", "stale", "failed", "timed out"};
  return names[static_cast<int>(r)];
}

// The client's whole path: the window's program, its root, the toolbar, the bar and its
// value. Every step's answer is printed, so that a run under Wine says which one fails.
TEST_F(BackendTest, StandInChromiumAddressThroughTheClientsPath) {
  HelperProcess browser(L"chrome.exe", kShown, L"Chrome_WidgetWin_1");
  ASSERT_NE(browser.frame(), nullptr);
  Accessibility& seam = p->accessibility();
  WindowProgram program;
  ASSERT_TRUE(seam.ProgramOf(reinterpret_cast<WindowHandle>(browser.frame()), program));
  EXPECT_EQ(program.executable, L"chrome.exe");
  AccessibleElement root = 0, toolbar = 0, bar = 0;
  AccessResult r = seam.Root(reinterpret_cast<WindowHandle>(browser.frame()), 5000, root);
  std::printf("root: %s\n", Named(r));
  ASSERT_EQ(r, AccessResult::Ok);
  r = seam.FindFirst(root, {uia::ToolBar, L"", L"", L""}, {6, 200}, 5000, toolbar);
  std::printf("toolbar: %s\n", Named(r));
  ASSERT_EQ(r, AccessResult::Ok);
  r = seam.FindFirst(toolbar, {uia::Edit, L"", L"", L""}, {3, 24}, 5000, bar);
  std::printf("address bar: %s\n", Named(r));
  ASSERT_EQ(r, AccessResult::Ok);
  for (auto [label, id] : {std::pair<const char*, int>{"name", 30005},
                           {"control type", 30003},
                           {"class name", 30012},
                           {"value (Value pattern)", 30045},
                           {"value (LegacyIAccessible)", 30093}})
    std::printf("UiaGetPropertyValue %s: %s\n", label, RawProperty(bar, id).c_str());
  std::wstring shown;
  r = seam.Value(bar, 5000, shown);
  std::printf("value: %s \"%ls\"\n", Named(r), shown.c_str());
  for (AccessibleElement e : {root, toolbar, bar}) seam.Release(e);
  if (r != AccessResult::Ok)
    GTEST_SKIP() << "this Wine's UI Automation does not give the address bar's value across "
                    "processes (see docs/today-browsers.md); the simulated desktop proves it";
  EXPECT_EQ(shown, kShown);
  EXPECT_EQ(CompleteAddress(shown), L"https://example.com/page");
}

}  // namespace
}  // namespace zq::win32::test
