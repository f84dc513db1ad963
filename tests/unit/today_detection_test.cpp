// Tests of the detection of today's browsers: which windows are browsers and how a shown
// address is completed (the browsers at work: modern_*.zqs).
#include <gtest/gtest.h>

#include <string>

#include "app/Text.h"
#include "controller/browser/BrowserDetection.h"

using namespace zq;

namespace {

TEST(TodayBrowsers, KnownByWindowClassAndProgram) {
  const struct {
    const wchar_t *windowClass, *executable, *name;
  } cases[] = {
      {L"Chrome_WidgetWin_1", L"MSEDGE.EXE", L"Edge"},
      {L"Chrome_WidgetWin_1", L"brave.exe", L"Brave"},
      {L"Chrome_WidgetWin_1", L"opera.exe", L"Opera"},
      {L"Chrome_WidgetWin_1", L"vivaldi.exe", L"Vivaldi"},
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
      {L"example.com:8443/a?b=c", L"https://example.com:8443/a?b=c"},
      {L"127.0.0.1/x", L"http://127.0.0.1/x"},
      // The browser's own pages keep their scheme, so the site rules pass them by.
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

}  // namespace
