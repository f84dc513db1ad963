// Firefox detection: the foreground window's class and title, its content window among
// its own descendants, and its current address asked of Firefox over DDE.
#include <algorithm>

#include "app/ErrorReport.h"
#include "controller/browser/BrowserDetection.h"
#include "platform/platform.h"

namespace zq {

namespace {

const wchar_t* const kFirefoxFrameClass = L"MozillaUIWindowClass";
const wchar_t* const kFirefoxContentClass = L"MozillaContentWindowClass";
const wchar_t* const kFirefoxTitleMark = L"- Mozilla Firefox";
const wchar_t* const kSearchFailure = L"Unable to search Firefox windows due to error";

// Class names are read into a buffer of 260 characters, the terminating zero included.
std::wstring ClassNameOf(Windows& w, WindowHandle window) {
  std::wstring name = w.ClassName(window);
  if (name.size() > 259) name.resize(259);
  return name;
}

// Searches `first`, its following siblings and all their descendants, depth first with the
// children before the following siblings. A failure ends the search of this level (the
// failing window and the siblings after it); the level above goes on with its own siblings.
WindowHandle SearchLevel(Windows& w, WindowHandle first) {
  return GuardedOr<WindowHandle>(0, 2, kSearchFailure, [&]() -> WindowHandle {
    for (WindowHandle x = first; x; x = w.NextSibling(x)) {
      if (ClassNameOf(w, x) == kFirefoxContentClass) return x;
      if (WindowHandle found = SearchLevel(w, w.FirstChild(x))) return found;
    }
    return 0;
  });
}

}  // namespace

void FindActiveFirefox(ActiveBrowserInfo& info) {
  Guarded(2, L"Cannot find active Firefox due to error", [&] {
    info.window = 0;
    WindowHandle foreground = GetFirefoxForegroundWindow();
    if (!foreground) return;
    WindowHandle content = FindFirefoxContentWindow(foreground);
    info.window = content ? Plat().windows().Parent(content) : 0;
    // The address is read whether or not a content window was found.
    ReadFirefoxUrl(info.url);
  });
}

WindowHandle GetFirefoxForegroundWindow() {
  return GuardedOr<WindowHandle>(
      0, 2, L"Cannot check if the wnd is Firefox due to error. Returning false",
      []() -> WindowHandle {
        Windows& w = Plat().windows();
        WindowHandle foreground = w.Foreground();
        if (!foreground || !w.IsWindow(foreground)) return 0;
        if (ClassNameOf(w, foreground) != kFirefoxFrameClass) return 0;
        // "Page - Mozilla Firefox": the mark must follow some text.
        size_t mark = w.Title(foreground).find(kFirefoxTitleMark);
        if (mark == std::wstring::npos || mark == 0) return 0;
        return foreground;
      });
}

WindowHandle FindFirefoxContentWindow(WindowHandle start) {
  // Only `start` and its descendants are searched: the windows after it in Z order belong
  // to other programs, and another Firefox window's content window is not this one's.
  return GuardedOr<WindowHandle>(0, 2, kSearchFailure, [&]() -> WindowHandle {
    if (!start) return 0;
    Windows& w = Plat().windows();
    if (ClassNameOf(w, start) == kFirefoxContentClass) return start;
    return SearchLevel(w, w.FirstChild(start));
  });
}

namespace {

// Where the address lies in a reply: from 1 up to the first "\",\""; 0 when there is none.
size_t UrlEnd(const std::wstring& reply) {
  size_t separator = reply.find(L"\",\"");
  // A reply that opens with the separator holds an empty first field.
  return separator == std::wstring::npos ? 0 : separator;
}

}  // namespace

std::wstring ParseFirefoxReply(const std::wstring& reply) {
  size_t end = UrlEnd(reply);
  return end == 0 ? std::wstring() : reply.substr(1, end - 1);
}

void ReadFirefoxUrl(std::wstring& url) {
  // Made once: the request's texts and the reply's storage are reused by every tick.
  static const std::wstring service = L"Firefox", topic = L"WWW_GetWindowInfo",
                            item = L"0xFFFFFFFF,sURL,sTitle";
  url.clear();
  Guarded(2, L"Cannot read Firefox current URL", [&] {
    Dde& dde = Plat().dde();
    std::optional<std::string> reply = dde.Request(service, topic, item, FirefoxDdeTimeoutMs);
    if (!reply) return;
    // At most 2048 bytes are kept, and the text ends at its first zero byte.
    reply->resize(std::min({reply->size(), FirefoxReplyMaxBytes, reply->find('\0')}));
    std::wstring wide = dde.FromAnsi(*reply);
    if (size_t end = UrlEnd(wide)) url.assign(wide, 1, end - 1);
  });
}

}  // namespace zq
