// Internet Explorer detection: the shell's list of browser objects matched against the
// foreground window, the installed version (once per process) and Internet Explorer 7's tabs.
#include <algorithm>
#include <new>

#include "app/ClientProcess.h"
#include "app/ErrorReport.h"
#include "controller/browser/BrowserDetection.h"
#include "platform/platform.h"

namespace zq {

namespace {

const wchar_t* const kTabClass = L"TabWindowClass";
const wchar_t* const kViewClass = L"Shell DocObject View";

std::wstring ClassNameOf(Windows& w, WindowHandle window) {
  std::wstring name = w.ClassName(window);
  if (name.size() > 259) name.resize(259);
  return name;
}

// What a call yielded, held for release; a failing code raises ComError.
ShellRef Take(ShellWindows& shell, const ShellObjectAnswer& answer) {
  ShellRef ref(shell, answer.object);
  ThrowIfFailed(answer.hr);
  return ref;
}

// As Take for an interface query: "no such interface" is a null answer.
ShellRef Query(ShellWindows& shell, const ShellObjectAnswer& answer) {
  if (answer.hr == hr::NoInterface) return ShellRef(shell, answer.object);
  return Take(shell, answer);
}

std::wstring TextOf(ShellTextAnswer&& answer) {
  ThrowIfFailed(answer.hr);
  return answer.text ? std::move(*answer.text) : std::wstring();
}

// The browser's own window through its shell-browser service; 0 when any step fails or
// yields nothing.
WindowHandle ShellBrowserWindow(ShellWindows& shell, ShellObject browser) {
  ShellObjectAnswer provider = shell.QueryServiceProvider(browser);
  ShellRef providerRef(shell, provider.object);
  if (provider.hr < 0 || !providerRef) return 0;
  ShellObjectAnswer oleWindow = shell.QueryShellBrowser(providerRef.get());
  ShellRef oleWindowRef(shell, oleWindow.object);
  if (oleWindow.hr < 0 || !oleWindowRef) return 0;
  ShellWindowAnswer window = shell.OleWindow(oleWindowRef.get());
  return window.hr < 0 ? 0 : window.window;
}

// Examines one item of the shell's list; true when the search ends with it (found, or the
// version check failed). Everything taken for the item is released on return.
bool ExamineItem(ShellWindows& shell, ShellObject collection, long index, ActiveBrowserInfo& info) {
  ShellRef item = Take(shell, shell.Item(collection, index));
  if (!item) return false;
  ShellRef browser = Query(shell, shell.QueryBrowser(item.get()));
  if (!browser) return false;
  ShellRef dispatch = Take(shell, shell.Document(browser.get()));
  if (!dispatch) return false;
  // Folder windows and pages that are no HTML documents end here.
  ShellRef document = Query(shell, shell.QueryHtmlDocument(dispatch.get()));
  if (!document) return false;
  WindowHandle window = ShellBrowserWindow(shell, browser.get());
  if (!window) return false;

  Windows& w = Plat().windows();
  WindowHandle parent = w.Parent(window);
  WindowHandle frame = (parent && parent != w.DesktopWindow()) ? parent : window;
  WindowHandle foreground = w.Foreground();
  if (!foreground || frame != foreground) return false;

  std::int32_t kind = GetIEVersionKind(browser.get());
  if (kind < 0) return true;
  WindowHandle answer = frame;
  if (kind == IEVersion7) {
    // Every tab of the frame passes the tests above; the title picks the active one.
    answer = FindIE7TabView(frame, TextOf(shell.DocumentTitle(document.get())));
    if (!answer) return false;
  }
  info.window = answer;
  info.url = TextOf(shell.DocumentUrl(document.get()));
  return true;
}

// The navigator's appVersion, or nothing when a step yields nothing; a failing step raises.
std::optional<std::wstring> ReadAppVersion(ShellWindows& shell, ShellObject browser) {
  ShellRef dispatch = Take(shell, shell.Document(browser));
  if (!dispatch) return std::nullopt;
  ShellRef document = Query(shell, shell.QueryHtmlDocument(dispatch.get()));
  if (!document) return std::nullopt;
  ShellRef window = Take(shell, shell.ParentWindow(document.get()));
  if (!window) return std::nullopt;
  ShellRef navigator = Take(shell, shell.Navigator(window.get()));
  if (!navigator) return std::nullopt;
  ShellTextAnswer version = shell.AppVersion(navigator.get());
  ThrowIfFailed(version.hr);
  return version.text;
}

}  // namespace

void FindActiveIE(ActiveBrowserInfo& info) {
  Guarded(2, L"Cannot find active IE due to error", [&] {
    info.window = 0;
    ShellWindows& shell = Plat().shellWindows();
    ShellObjectAnswer made = shell.CreateCollection();
    ShellRef collection(shell, made.object);
    // Without the shell's list there is no Internet Explorer to find; nothing to report.
    if (made.hr < 0 || !collection) return;
    ShellCountAnswer count = shell.Count(collection.get());
    ThrowIfFailed(count.hr);
    for (long index = 0; index < count.count; ++index)
      if (ExamineItem(shell, collection.get(), index, info)) return;
  });
}

std::int32_t GetIEVersionKind(ShellObject browser) {
  std::int32_t& kind = Proc().IEVersionKind;
  if (kind >= 0) return kind;
  kind = IEVersionOther;
  HResult failure = hr::Fail;  // a failure that carries no code of its own
  bool checked = Guarded(1, L"Cannot check your InternetExplorer version", [&] {
    try {
      ShellWindows& shell = Plat().shellWindows();
      std::optional<std::wstring> version = ReadAppVersion(shell, browser);
      if (!version) return;
      // Compared as ANSI text in a buffer of 260 bytes that always ends in a zero byte.
      std::string ansi = shell.ToAnsi(*version);
      ansi.resize(std::min({ansi.size(), ansi.find('\0'), size_t{259}}));
      if (ansi.find("MSIE 7.") != std::string::npos) kind = IEVersion7;
    } catch (const ComError& e) {
      failure = e.Code;
      throw;
    } catch (const std::bad_alloc&) {
      failure = hr::OutOfMemory;
      throw;
    }
  });
  // A failed check leaves a negative value behind, so that the next pass checks again.
  if (!checked) kind = failure < 0 ? failure : hr::Fail;
  return kind;
}

WindowHandle FindIE7TabView(WindowHandle frame, const std::wstring& docTitle) {
  WindowHandle answer = 0;
  Guarded(2, L"Cannot find tab window handler of InternertExplorer 7", [&] {
    Windows& w = Plat().windows();
    // The frame's title is the active page's title and the browser's 28-character suffix.
    // Both are compared in place, each cut to its first 95 characters.
    std::wstring frameTitle = w.Title(frame);
    size_t length = frameTitle.size();
    size_t page = length > IEFrameTitleSuffixLength ? length - IEFrameTitleSuffixLength
                                                    : (length ? length - 1 : 0);
    page = std::min(page, IETitleCompareLength);
    size_t title = std::min(docTitle.size(), IETitleCompareLength);
    if (title != page || docTitle.compare(0, title, frameTitle, 0, page) != 0) return;
    // Only the visible tab is the active one; its view is the answer.
    for (WindowHandle tab = w.FirstChild(frame); tab && !answer; tab = w.NextSibling(tab)) {
      if (ClassNameOf(w, tab) != kTabClass || !w.IsVisible(tab)) continue;
      for (WindowHandle view = w.FirstChild(tab); view; view = w.NextSibling(view)) {
        if (ClassNameOf(w, view) == kViewClass) {
          answer = view;
          break;
        }
      }
    }
  });
  return answer;
}

}  // namespace zq
