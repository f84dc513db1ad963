// Browser detection: which web-browser window is in the foreground (Firefox, Internet
// Explorer 6 or 7, and today's Chromium-based browsers and Firefox) and which address it
// shows. Runs on the controller's thread.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "platform/accessibility.h"
#include "platform/shell_windows.h"
#include "platform/types.h"

namespace zq {

// How a panel sits on a browser window. Browsers that draw their own frame and lay out
// their own content windows (Chromium-based ones, current Firefox) get an owned pop-up that
// keeps to the window's bottom-right corner; the older ones get a child window.
enum class PanelHosting { Child, OwnedPopup };

// The foreground browser as the tracking knows it: a window and an address.
struct ActiveBrowserInfo {
  // Firefox: the parent of its content window; Internet Explorer 7: the active tab's
  // "Shell DocObject View"; other Internet Explorer versions: the frame. 0: no browser.
  WindowHandle window = 0;
  // The address shown; empty when it could not be read.
  std::wstring url;
  // How a panel is put on `window`.
  PanelHosting hosting = PanelHosting::Child;
};

// Value of the process-wide Internet Explorer version kind (ClientProcess::IEVersionKind):
// negative codes mean "not determined" (the start value, or the code of the last failed
// check, which runs again next time).
constexpr std::int32_t IEVersionUnknown = static_cast<std::int32_t>(0x80004005u);
constexpr std::int32_t IEVersion7 = 0;
constexpr std::int32_t IEVersionOther = 1;

// Bounds of what detection reads.
constexpr unsigned FirefoxDdeTimeoutMs = 5000;
constexpr size_t FirefoxReplyMaxBytes = 2048;
constexpr size_t IEFrameTitleSuffixLength = 28;  // " - Windows Internet Explorer"
constexpr size_t IETitleCompareLength = 95;

// Firefox first; Internet Explorer only when Firefox gave no window; today's browsers only
// when neither did.
void FindActiveBrowser(ActiveBrowserInfo& info);

// Firefox.
void FindActiveFirefox(ActiveBrowserInfo& info);
// The foreground window when it is a Firefox main window, else 0.
WindowHandle GetFirefoxForegroundWindow();
// The first "MozillaContentWindowClass" window among `start` and its descendants, depth
// first with children before following siblings; 0 when there is none. Windows outside
// `start` are never searched, so another browser's content window is never taken.
WindowHandle FindFirefoxContentWindow(WindowHandle start);
// The address Firefox reports over DDE into `url` (its storage reused); empty on any failure.
void ReadFirefoxUrl(std::wstring& url);
// The URL in Firefox's reply "\"URL\",\"title\",\"\"": the text between the first
// character and the first "\",\""; empty when the reply has no such separator.
std::wstring ParseFirefoxReply(const std::wstring& reply);

// Internet Explorer.
void FindActiveIE(ActiveBrowserInfo& info);
// The process-wide version kind, checked through the browser object's navigator while it
// is not settled.
std::int32_t GetIEVersionKind(ShellObject browser);
// The active tab's "Shell DocObject View" in an Internet Explorer 7 frame, when `docTitle`
// is the title of the page that the frame shows; else 0.
WindowHandle FindIE7TabView(WindowHandle frame, const std::wstring& docTitle);

// Today's browsers (TodayDetection.cpp): a foreground top-level window of a known class
// and program, its address read from its address bar through the accessibility seam.
// The whole read of one tick waits at most this long for the browser.
constexpr unsigned AddressReadLimitMs = 250;

// Where a browser keeps its address bar: a narrow search for its toolbar under the
// window's root, then one for the bar under the toolbar.
struct AddressBarPath {
  ElementCondition toolbar;
  SearchScope toolbarScope;
  ElementCondition bar;
  SearchScope barScope;
};

// A browser of today as detection knows it.
struct TodayBrowser {
  const wchar_t* windowClass;  // the top-level window's class
  const wchar_t* executable;   // its program's file name, compared without case
  const wchar_t* name;
  const AddressBarPath* path;
};

// The browser that a top-level window of this class run by this executable is; null when
// it is none of them.
const TodayBrowser* RecogniseTodayBrowser(const std::wstring& windowClass,
                                          const std::wstring& executable);

// The address as the browser would load it, from what its address bar shows: a text with
// a scheme stays as it is ("chrome://settings", "about:blank", "view-source:..."); a bare
// host and path get "https://" (localhost and IP addresses "http://"), as today's
// browsers load what is typed without a scheme and hide "https://" themselves; anything
// else (a search being typed, an empty bar) gives an empty address.
std::wstring CompleteAddress(const std::wstring& shown);

// The found address bar of one browser window, kept from tick to tick. Dropped when the
// window's process or its program's version changes, and when a read of it fails.
struct AddressBarEntry {
  WindowHandle window = 0;
  WindowProgram program;
  AccessibleElement element = 0;
  std::wstring address;  // the last address read in this window
  std::uint64_t used = 0;
};
// The entries of the browser windows read lately (ClientProcess::AddressBars), at most
// AddressBarWindows of them; the least recently read goes first.
constexpr size_t AddressBarWindows = 8;
struct AddressBarCache {
  std::vector<AddressBarEntry> entries;
  std::uint64_t reads = 0;
  // The entry of `window` for `program`, made (and an old one dropped) when needed.
  AddressBarEntry& For(WindowHandle window, const WindowProgram& program);
};

// The foreground window when it is one of today's browsers: the window, its address, and
// a panel as an owned pop-up.
void FindActiveTodayBrowser(ActiveBrowserInfo& info);
// The address shown by `window`'s address bar into `url`, through the cache. A read that
// times out gives the last address read in this window.
void ReadTodayAddress(WindowHandle window, const WindowProgram& program,
                      const TodayBrowser& browser, std::wstring& url);

}  // namespace zq
