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
    info.url = ReadFirefoxUrl();
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

std::wstring ParseFirefoxReply(const std::wstring& reply) {
  size_t separator = reply.find(L"\",\"");
  // A reply that opens with the separator holds an empty first field.
  if (separator == std::wstring::npos || separator == 0) return std::wstring();
  return reply.substr(1, separator - 1);
}

std::wstring ReadFirefoxUrl() {
  return GuardedOr<std::wstring>(std::wstring(), 2, L"Cannot read Firefox current URL", [] {
    Dde& dde = Plat().dde();
    std::optional<std::string> reply = dde.Request(L"Firefox", L"WWW_GetWindowInfo",
                                                   L"0xFFFFFFFF,sURL,sTitle", FirefoxDdeTimeoutMs);
    if (!reply) return std::wstring();
    // At most 2048 bytes are kept, and the text ends at its first zero byte.
    std::string text = reply->substr(0, std::min(reply->size(), FirefoxReplyMaxBytes));
    text.resize(std::min(text.size(), text.find('\0')));
    return ParseFirefoxReply(dde.FromAnsi(text));
  });
}

}  // namespace zq
