// Detection of today's browsers: a Chromium-based browser or current Firefox in front,
// known by its window class and program, its address read from its address bar.
#include <algorithm>
#include <cwctype>

#include "app/ClientProcess.h"
#include "app/ErrorReport.h"
#include "controller/browser/BrowserDetection.h"
#include "platform/platform.h"

namespace zq {

namespace {

// Chromium's views: the first toolbar holds the omnibox, the first edit in it. Chrome,
// Edge and Brave name and class them alike; only the control types are relied on, so that
// Opera's and Vivaldi's own names do not matter. The tab strip comes before the toolbar;
// the page, which holds edits of its own, comes after it and is never reached.
const AddressBarPath kChromiumPath{
    {uia::ToolBar, L"", L"", L""}, {6, 200}, {uia::Edit, L"", L"", L""}, {3, 24}};
// Firefox's chrome is its own document with stable ids: the navigation toolbar, then
// the address bar's input inside it.
const AddressBarPath kGeckoPath{
    {uia::ToolBar, L"nav-bar", L"", L""}, {3, 60}, {uia::Edit, L"urlbar-input", L"", L""}, {4, 24}};

const wchar_t kChromiumClass[] = L"Chrome_WidgetWin_1";
const wchar_t kGeckoClass[] = L"MozillaWindowClass";
const TodayBrowser kBrowsers[] = {
    {kChromiumClass, L"chrome.exe", L"Chrome", &kChromiumPath},
    {kChromiumClass, L"msedge.exe", L"Edge", &kChromiumPath},
    {kChromiumClass, L"brave.exe", L"Brave", &kChromiumPath},
    {kChromiumClass, L"opera.exe", L"Opera", &kChromiumPath},
    {kChromiumClass, L"vivaldi.exe", L"Vivaldi", &kChromiumPath},
    {kGeckoClass, L"firefox.exe", L"Firefox", &kGeckoPath},
};

bool SameNoCase(const std::wstring& a, const wchar_t* b) {
  size_t i = 0;
  for (; i < a.size() && b[i]; ++i)
    if (std::towlower(a[i]) != std::towlower(b[i])) return false;
  return i == a.size() && !b[i];
}

bool IsSchemeChar(wchar_t c, bool first) {
  bool letter = (c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z');
  return letter || (!first && ((c >= L'0' && c <= L'9') || c == L'+' || c == L'-' || c == L'.'));
}

// "scheme:" at the start, where what follows the colon is no port number.
bool HasScheme(const std::wstring& text) {
  size_t colon = text.find(L':');
  if (colon == 0 || colon == std::wstring::npos) return false;
  for (size_t i = 0; i < colon; ++i)
    if (!IsSchemeChar(text[i], i == 0)) return false;
  return colon + 1 == text.size() || !std::iswdigit(text[colon + 1]);
}

// The host of a bare address "host[:port][/path...]"; empty when it is none.
std::wstring BareHost(const std::wstring& text) {
  std::wstring host = text.substr(0, text.find_first_of(L"/?#"));
  if (size_t port = host.find(L':'); port != std::wstring::npos) host.resize(port);
  if (host.empty() || host.front() == L'.' || host.back() == L'.') return std::wstring();
  for (wchar_t c : host)
    if (!std::iswalnum(c) && c != L'-' && c != L'.' && c < 0x80) return std::wstring();
  return host;
}

// Hosts that browsers never move to https by themselves: this machine and IPv4 numbers.
bool LoadedOverHttp(const std::wstring& host) {
  if (SameNoCase(host, L"localhost")) return true;
  for (wchar_t c : host)
    if (!std::iswdigit(c) && c != L'.') return false;
  return true;
}

// Holds the element until it is handed over; releases it on every other way out.
struct HeldElement {
  Accessibility& seam;
  AccessibleElement element = 0;
  ~HeldElement() { seam.Release(element); }
  AccessibleElement Take() {
    AccessibleElement taken = element;
    element = 0;
    return taken;
  }
};

// What is left of the tick's time for the browser.
unsigned Left(Clock& clock, std::uint64_t start) {
  std::uint64_t spent = clock.TickMs() - start;
  return spent >= AddressReadLimitMs ? 0 : static_cast<unsigned>(AddressReadLimitMs - spent);
}

// Finds the address bar along the browser's path and reads it once; on success the
// element is handed to `found`.
AccessResult FindAndRead(WindowHandle window, const AddressBarPath& path, std::uint64_t start,
                         AccessibleElement& found, std::wstring& shown) {
  Accessibility& seam = Plat().accessibility();
  Clock& clock = Plat().clock();
  HeldElement root{seam}, toolbar{seam}, bar{seam};
  AccessResult r = seam.Root(window, Left(clock, start), root.element);
  if (r == AccessResult::Ok)
    r = seam.FindFirst(root.element, path.toolbar, path.toolbarScope, Left(clock, start),
                       toolbar.element);
  if (r == AccessResult::Ok)
    r = seam.FindFirst(toolbar.element, path.bar, path.barScope, Left(clock, start), bar.element);
  if (r == AccessResult::Ok) r = seam.Value(bar.element, Left(clock, start), shown);
  if (r == AccessResult::Ok) found = bar.Take();
  return r;
}

bool SameProgram(const WindowProgram& a, const WindowProgram& b) {
  return a.pid == b.pid && a.executable == b.executable && a.version == b.version;
}

}  // namespace

AddressBarEntry& AddressBarCache::For(WindowHandle window, const WindowProgram& program) {
  Accessibility& seam = Plat().accessibility();
  auto found = std::find_if(entries.begin(), entries.end(),
                            [&](const AddressBarEntry& e) { return e.window == window; });
  if (found == entries.end() && entries.size() >= AddressBarWindows) {
    found = std::min_element(entries.begin(), entries.end(),
                             [](const auto& a, const auto& b) { return a.used < b.used; });
    seam.Release(found->element);
    *found = AddressBarEntry{};
  } else if (found == entries.end()) {
    found = entries.emplace(entries.end());
  }
  if (found->window != window || !SameProgram(found->program, program)) {
    seam.Release(found->element);
    *found = AddressBarEntry{window, program, 0, std::wstring(), 0};
  }
  found->used = ++reads;
  return *found;
}

const TodayBrowser* RecogniseTodayBrowser(const std::wstring& windowClass,
                                          const std::wstring& executable) {
  for (const TodayBrowser& b : kBrowsers)
    if (windowClass == b.windowClass && SameNoCase(executable, b.executable)) return &b;
  return nullptr;
}

std::wstring CompleteAddress(const std::wstring& shown) {
  if (shown.empty() || shown.find_first_of(L" \t\r\n") != std::wstring::npos) return {};
  if (HasScheme(shown)) return shown;
  std::wstring host = BareHost(shown);
  // A single word is a search, not a host (but for this machine's name).
  if (host.empty() || (host.find(L'.') == std::wstring::npos && !SameNoCase(host, L"localhost")))
    return {};
  return (LoadedOverHttp(host) ? L"http://" : L"https://") + shown;
}

void ReadTodayAddress(WindowHandle window, const WindowProgram& program,
                      const TodayBrowser& browser, std::wstring& url) {
  url.clear();
  std::shared_ptr<AddressBarCache>& slot = Proc().AddressBars;
  if (!slot) slot = std::make_shared<AddressBarCache>();
  AddressBarEntry& cache = slot->For(window, program);
  Accessibility& seam = Plat().accessibility();
  const std::uint64_t start = Plat().clock().TickMs();
  std::wstring shown;
  AccessResult r = AccessResult::Failed;
  if (cache.element) {
    r = seam.Value(cache.element, AddressReadLimitMs, shown);
    // A failed read means the element is no longer the bar: find it again at once.
    if (r != AccessResult::Ok && r != AccessResult::TimedOut) {
      seam.Release(cache.element);
      cache.element = 0;
    }
  }
  if (!cache.element) r = FindAndRead(window, *browser.path, start, cache.element, shown);
  // A browser that does not answer in time keeps the address it showed last.
  if (r == AccessResult::TimedOut) url = cache.address;
  if (r != AccessResult::Ok) return;
  url = CompleteAddress(shown);
  cache.address = url;
}

void FindActiveTodayBrowser(ActiveBrowserInfo& info) {
  Guarded(2, L"Cannot find active browser of today due to error", [&] {
    info.window = 0;
    Platform& p = Plat();
    Windows& w = p.windows();
    WindowHandle foreground = w.Foreground();
    if (!foreground || !w.IsWindow(foreground)) return;
    // Cheap tests first: a class of today's browsers, then the program behind it.
    std::wstring windowClass = w.ClassName(foreground);
    if (windowClass != kChromiumClass && windowClass != kGeckoClass) return;
    WindowProgram program;
    if (!p.accessibility().ProgramOf(foreground, program)) return;
    const TodayBrowser* browser = RecogniseTodayBrowser(windowClass, program.executable);
    if (!browser) return;
    info.window = foreground;
    info.hosting = PanelHosting::OwnedPopup;
    ReadTodayAddress(foreground, program, *browser, info.url);
  });
}

}  // namespace zq
