// Stand-ins for today's browsers on the simulated desktop (Chrome, Edge, Brave, Opera,
// Vivaldi, current Firefox): their windows, programs, and the traps of their trees.
#include <cwchar>

#include "app/Text.h"
#include "platform/sim/sim_browsers.h"
#include "platform/sim/sim_desktop.h"
#include "platform/sim/sim_window.h"
#include "platform/sim/sim_window_events.h"

namespace zq::sim {

namespace {

const TodayProgramInfo kPrograms[] = {
    {"chrome", L"chrome.exe", L" - Google Chrome", L"138.0.7204.97", FakeKind::Chromium},
    {"edge", L"msedge.exe", L" - Microsoft Edge", L"138.0.3351.65", FakeKind::Chromium},
    {"brave", L"brave.exe", L" - Brave", L"138.1.80.113", FakeKind::Chromium},
    {"opera", L"opera.exe", L" - Opera", L"120.0.5543.61", FakeKind::Chromium},
    {"vivaldi", L"vivaldi.exe", L" - Vivaldi", L"7.5.3735.54", FakeKind::Chromium},
    {"firefox-now", L"firefox.exe", L" \u2014 Mozilla Firefox", L"140.0.4", FakeKind::Gecko},
};

bool StartsWith(const std::wstring& text, const wchar_t* prefix) {
  return text.compare(0, std::wcslen(prefix), prefix) == 0;
}

}  // namespace

const TodayProgramInfo* TodayProgram(const std::wstring& program) {
  for (const TodayProgramInfo& p : kPrograms)
    if (program == p.program) return &p;
  return nullptr;
}

const TodayProgramInfo* TodayProgramByWord(const std::string& word) {
  for (const TodayProgramInfo& p : kPrograms)
    if (word == p.word) return &p;
  return nullptr;
}

std::wstring ShownAddress(FakeKind kind, const std::wstring& url) {
  for (const wchar_t* hidden : {L"https://", L"http://"}) {
    if (kind == FakeKind::Gecko && hidden[4] == L':') break;  // Firefox shows "http://"
    if (StartsWith(url, hidden)) return url.substr(std::wcslen(hidden));
  }
  return url;
}

// Chromium: a frame of its own drawing with one content window; current Firefox: a frame
// without child windows, its content drawn inside it.
void SimBrowsers::MakeTodayWindows(FakeBrowser& b, FakeTab& page, Rect rect) {
  const TodayProgramInfo* info = TodayProgram(b.program);
  b.version = info->version;
  if (b.kind == FakeKind::Chromium) {
    b.frame = NewWindow(L"Chrome_WidgetWin_1", L"", rect, 0, true);
    page.view = NewWindow(L"Chrome_RenderWidgetHostHWND", L"", Rect{}, b.frame, true);
  } else {
    b.frame = NewWindow(L"MozillaWindowClass", L"", rect, 0, true);
    page.view = 0;  // the frame draws the page itself
  }
  page.tab = b.frame;
  b.tabs.push_back(page);
}

bool SimBrowsers::OpenToday(const std::string& name, const std::string& word,
                            const std::wstring& url, const std::wstring& title, Rect rect) {
  const TodayProgramInfo* info = TodayProgramByWord(word);
  return info && Open(name, info->kind, url, title, rect, info->program);
}

bool SimBrowsers::Minimize(const std::string& name) {
  FakeBrowser* b = Find(name);
  if (!b) return false;
  d_.Window(b->frame)->iconic = true;
  bool wasInFront = d_.foreground == b->frame;
  if (wasInFront) d_.foreground = 0;
  d_.Trace("browser " + name + " is minimised");
  // Watchers learn it as from the system: the minimise, then the lost foreground.
  RaiseWindowEvent(d_, WindowEvent::MinimizeStart, b->frame);
  if (wasInFront) RaiseWindowEvent(d_, WindowEvent::Foreground, 0);
  return true;
}

bool SimBrowsers::Restore(const std::string& name) {
  FakeBrowser* b = Find(name);
  if (!b) return false;
  d_.Window(b->frame)->iconic = false;
  d_.Trace("browser " + name + " is restored");
  RaiseWindowEvent(d_, WindowEvent::MinimizeEnd, b->frame);
  return Focus(name);
}

bool SimBrowsers::Update(const std::string& name, const std::wstring& version) {
  FakeBrowser* b = Find(name);
  if (!b || !b->IsToday() || version.empty()) return false;
  b->version = version;
  ++b->generation;
  d_.Trace("browser " + name + " is updated to " + ToUtf8(version));
  return true;
}

bool SimBrowsers::Rebuild(const std::string& name) {
  FakeBrowser* b = Find(name);
  if (!b || !b->IsToday()) return false;
  ++b->generation;
  d_.Trace("browser " + name + " rebuilds its elements");
  return true;
}

bool SimBrowsers::Answer(const std::string& name, unsigned ms) {
  FakeBrowser* b = Find(name);
  if (!b || !b->IsToday()) return false;
  b->answerMs = ms;
  d_.Trace("browser " + name + " answers accessibility calls in " + std::to_string(ms) + " ms");
  return true;
}

bool SimBrowsers::EmptyTree(const std::string& name) {
  FakeBrowser* b = Find(name);
  if (!b || !b->IsToday()) return false;
  b->treeEmpty = true;
  d_.Trace("browser " + name + " shows an empty tree until it is focused");
  return true;
}

}  // namespace zq::sim
