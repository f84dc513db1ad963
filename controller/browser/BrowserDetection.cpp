// Browser detection's entry: Firefox first, Internet Explorer when Firefox gave no window.
// The Firefox and Internet Explorer steps live in FirefoxDetection.cpp and IEDetection.cpp.
#include "controller/browser/BrowserDetection.h"

#include "app/ErrorReport.h"

namespace zq {

void FindActiveBrowser(ActiveBrowserInfo& info) {
  Guarded(2, L"Cannot find active browser due to error", [&] {
    FindActiveFirefox(info);
    if (!info.window) FindActiveIE(info);
  });
}

}  // namespace zq
