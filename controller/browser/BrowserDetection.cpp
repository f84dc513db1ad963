// Browser detection's entry: Firefox first, Internet Explorer when Firefox gave no window,
// today's browsers when neither did. The steps live in FirefoxDetection.cpp,
// IEDetection.cpp and TodayDetection.cpp.
#include "controller/browser/BrowserDetection.h"

#include "app/ErrorReport.h"

namespace zq {

void FindActiveBrowser(ActiveBrowserInfo& info) {
  Guarded(2, L"Cannot find active browser due to error", [&] {
    FindActiveFirefox(info);
    if (!info.window) FindActiveIE(info);
    if (!info.window) FindActiveTodayBrowser(info);
  });
}

}  // namespace zq
