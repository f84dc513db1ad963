// The fake browsers of the simulated desktop: their window trees, titles and tabs. Their
// DDE server is in sim_dde.cpp, the shell's list of them in sim_shell_windows.cpp.
#include "platform/sim/sim_browsers.h"

#include <algorithm>
#include <cstdio>
#include <functional>

#include "app/Text.h"
#include "platform/sim/sim_desktop.h"
#include "platform/sim/sim_window.h"
#include "platform/sim/sim_window_events.h"

namespace zq::sim {

namespace {

const wchar_t* const kBrowserModule = L"C:\\Program Files\\Fake Browsers\\browsers.exe";
const wchar_t* const kFirefoxSuffix = L" - Mozilla Firefox";
const wchar_t* const kIE6Suffix = L" - Microsoft Internet Explorer";
const wchar_t* const kIE7Suffix = L" - Windows Internet Explorer";

constexpr int kToolbarHeight = 90;
constexpr int kStatusHeight = 24;

std::string Hex(std::uintptr_t v) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "0x%06llx", static_cast<unsigned long long>(v));
  return buf;
}

std::string KindName(FakeKind k) {
  switch (k) {
    case FakeKind::Firefox:
      return "firefox";
    case FakeKind::IE6:
      return "ie6";
    case FakeKind::IE7:
      return "ie7";
    case FakeKind::Folder:
      return "folder";
    case FakeKind::Chromium:
      return "chromium";
    case FakeKind::Gecko:
      return "gecko";
  }
  return "?";
}

std::string DdeName(DdeMode m) {
  switch (m) {
    case DdeMode::Answer:
      return "answer";
    case DdeMode::Silent:
      return "silent";
    case DdeMode::NoSeparator:
      return "noseparator";
  }
  return "?";
}

std::string FolderName(FolderMode m) {
  switch (m) {
    case FolderMode::FolderView:
      return "view";
    case FolderMode::NoBrowser:
      return "nobrowser";
    case FolderMode::NoDocument:
      return "nodocument";
  }
  return "?";
}

std::string RectText(const Rect& r) {
  return std::to_string(r.left) + "," + std::to_string(r.top) + "," + std::to_string(r.right) +
         "," + std::to_string(r.bottom);
}

// Runs `body` with the calling thread bound to `platform`, as the window's own thread would
// be while it handles what the body sends it.
template <class F>
void BoundTo(Platform* platform, F&& body) {
  Platform* saved = CurrentPlatform();
  BindThread(platform);
  try {
    body();
  } catch (...) {
    BindThread(saved);
    throw;
  }
  BindThread(saved);
}

}  // namespace

// ---------------------------------------------------------------------------------------
// SimBrowsers: windows and pages

SimBrowsers::SimBrowsers(Desktop& d) : d_(d) {}
SimBrowsers::~SimBrowsers() = default;

SimBrowsers& Browsers(Desktop& d) { return d.shellWindows().Browsers(); }

void SimBrowsers::EnsureProcess() {
  SimProcess* p = pid_ ? d_.Process(pid_) : nullptr;
  if (p && !p->ending && !p->ended) return;
  // Windows of an ended process are gone, and with them its browsers.
  browsers_.clear();
  pid_ = d_.StartIdleProcess(kBrowserModule, L"\"" + std::wstring(kBrowserModule) + L"\"");
  thread_ = d_.Process(pid_)->mainThread;
}

WindowHandle SimBrowsers::NewWindow(const std::wstring& cls, const std::wstring& title, Rect rect,
                                    WindowHandle parent, bool visible) {
  SimWindow w;
  w.className = cls;
  w.title = title;
  w.rect = rect;
  w.style = (parent ? ws::Child : ws::Overlapped | ws::Caption | ws::ThickFrame) | ws::ClipChildren;
  w.parent = parent ? parent : d_.DesktopHandle();
  w.visible = visible;
  w.thread = thread_;
  w.pid = pid_;
  return d_.NewWindow(std::move(w));
}

FakeBrowser* SimBrowsers::Find(const std::string& name) {
  for (auto& b : browsers_)
    if (b->name == name && d_.Window(b->frame)) return b.get();
  return nullptr;
}

FakeBrowser* SimBrowsers::ByFrame(WindowHandle frame) {
  for (auto& b : browsers_)
    if (b->frame == frame && frame) return b.get();
  return nullptr;
}

FakeBrowser* SimBrowsers::MostRecentFirefox() {
  FakeBrowser* best = nullptr;
  for (auto& b : browsers_)
    if (b->kind == FakeKind::Firefox && d_.Window(b->frame) &&
        (!best || b->lastActive > best->lastActive))
      best = b.get();
  return best;
}

std::vector<SimBrowsers::ListItem> SimBrowsers::ShellList() {
  std::vector<ListItem> list;
  for (auto& b : browsers_) {
    if (b->kind == FakeKind::Firefox || b->IsToday() || !d_.Window(b->frame)) continue;
    for (size_t i = 0; i < b->tabs.size(); ++i) list.push_back({b.get(), i});
  }
  return list;
}

void SimBrowsers::UpdateFrame(FakeBrowser& b) {
  SimWindow* frame = d_.Window(b.frame);
  if (!frame || b.tabs.empty()) return;
  const std::wstring& page = b.tabs[b.active].title;
  switch (b.kind) {
    case FakeKind::Firefox:
      frame->title = page.empty() ? L"Mozilla Firefox" : page + kFirefoxSuffix;
      break;
    case FakeKind::IE6:
      frame->title = page + kIE6Suffix;
      break;
    case FakeKind::IE7:
      frame->title = page + kIE7Suffix;
      break;
    case FakeKind::Folder:
      frame->title = page;
      break;
    case FakeKind::Chromium:
    case FakeKind::Gecko:
      frame->title = page + TodayProgram(b.program)->titleSuffix;
      break;
  }
}

// The frame's bars (Firefox's toolbar, Internet Explorer 7's command bar) take the top
// strip; every other child fills the page area between them and the status bar, and its
// descendants fill it. Windows of other processes inside (a client's panel) place themselves.
void SimBrowsers::LayOut(FakeBrowser& b) {
  SimWindow* frame = d_.Window(b.frame);
  if (!frame) return;
  int w = frame->rect.Width();
  int h = std::max(frame->rect.Height(), kToolbarHeight + kStatusHeight);
  const Rect bar{0, 0, w, kToolbarHeight};
  const Rect area{0, kToolbarHeight, w, h - kStatusHeight};
  std::function<void(WindowHandle, const Rect&)> fill = [&](WindowHandle handle, const Rect& r) {
    SimWindow* win = d_.Window(handle);
    if (!win || win->pid != pid_) return;
    win->rect = r;
    for (WindowHandle child : win->children) fill(child, Rect{0, 0, r.Width(), r.Height()});
  };
  for (WindowHandle child : frame->children) {
    SimWindow* c = d_.Window(child);
    if (!c) continue;
    bool isBar = c->className == L"CommandBarClass" ||
                 (c->className == L"MozillaWindowClass" && c->children.empty());
    fill(child, isBar ? bar : area);
  }
}

FakeTab SimBrowsers::MakeIe7Tab(FakeBrowser& b, const std::wstring& url,
                                const std::wstring& title) {
  FakeTab t{url, title};
  t.id = nextTabId_++;
  t.tab = NewWindow(L"TabWindowClass", title + kIE7Suffix, Rect{}, b.frame, false);
  t.view = NewWindow(L"Shell DocObject View", L"", Rect{}, t.tab, true);
  NewWindow(L"Internet Explorer_Server", L"", Rect{}, t.view, true);
  // Tabs keep their order among the frame's children.
  auto& kids = d_.Window(b.frame)->children;
  kids.erase(std::remove(kids.begin(), kids.end(), t.tab), kids.end());
  kids.push_back(t.tab);
  return t;
}

void SimBrowsers::ShowActiveTab(FakeBrowser& b) {
  // Today's browsers draw their tabs themselves: no window per tab.
  for (size_t i = 0; i < b.tabs.size() && b.kind == FakeKind::IE7; ++i)
    if (SimWindow* t = d_.Window(b.tabs[i].tab)) t->visible = (i == b.active);
  UpdateFrame(b);
  LayOut(b);
}

bool SimBrowsers::Open(const std::string& name, FakeKind kind, const std::wstring& url,
                       const std::wstring& title, Rect rect, const std::wstring& program) {
  if (kind == FakeKind::Folder || Find(name)) return false;
  if ((kind == FakeKind::Chromium || kind == FakeKind::Gecko) && !TodayProgram(program))
    return false;
  EnsureProcess();
  auto b = std::make_unique<FakeBrowser>();
  b->name = name;
  b->kind = kind;
  b->program = program;
  FakeTab page{url, title};
  page.id = nextTabId_++;
  if (b->IsToday()) {
    MakeTodayWindows(*b, page, rect);
  } else if (kind == FakeKind::Firefox) {
    b->frame = NewWindow(L"MozillaUIWindowClass", L"", rect, 0, true);
    // Depth first, the toolbar (first child) has no content window; the browser area does.
    WindowHandle area = NewWindow(L"MozillaWindowClass", L"", Rect{}, b->frame, true);
    page.view = NewWindow(L"MozillaContentWindowClass", L"", Rect{}, area, true);
    NewWindow(L"MozillaWindowClass", L"", Rect{}, b->frame, true);
    page.tab = b->frame;
    b->tabs.push_back(page);
  } else if (kind == FakeKind::IE6) {
    b->frame = NewWindow(L"IEFrame", L"", rect, 0, true);
    page.view = NewWindow(L"Shell DocObject View", L"", Rect{}, b->frame, true);
    NewWindow(L"Internet Explorer_Server", L"", Rect{}, page.view, true);
    page.tab = b->frame;
    b->tabs.push_back(page);
  } else {
    b->frame = NewWindow(L"IEFrame", L"", rect, 0, true);
    NewWindow(L"CommandBarClass", L"", Rect{}, b->frame, true);
    b->tabs.push_back(MakeIe7Tab(*b, url, title));
  }
  FakeBrowser& made = *b;
  browsers_.push_back(std::move(b));
  ShowActiveTab(made);
  d_.Trace("browser " + name + " opens " + KindName(kind) + " window " +
           WindowLabel(d_, made.frame) + " at " + ToUtf8(url));
  Focus(name);
  return true;
}

bool SimBrowsers::OpenFolder(const std::string& name, FolderMode mode, Rect rect) {
  if (Find(name)) return false;
  EnsureProcess();
  auto b = std::make_unique<FakeBrowser>();
  b->name = name;
  b->kind = FakeKind::Folder;
  b->folder = mode;
  FakeTab page{L"file:///C:/" + FromUtf8(name), FromUtf8(name)};
  page.id = nextTabId_++;
  b->frame = NewWindow(L"CabinetWClass", L"", rect, 0, true);
  page.view = NewWindow(L"SHELLDLL_DefView", L"", Rect{}, b->frame, true);
  page.tab = b->frame;
  b->tabs.push_back(page);
  FakeBrowser& made = *b;
  browsers_.push_back(std::move(b));
  ShowActiveTab(made);
  d_.Trace("folder " + name + " opens window " + WindowLabel(d_, made.frame) + " (" +
           FolderName(mode) + ")");
  Focus(name);
  return true;
}

bool SimBrowsers::Focus(const std::string& name) {
  FakeBrowser* b = Find(name);
  if (!b) return false;
  d_.Process(pid_)->windows().SetForeground(b->frame);
  if (SimWindow* frame = d_.Window(b->frame)) frame->iconic = false;
  b->lastActive = ++stamp_;
  b->treeEmpty = false;
  d_.Trace((b->kind == FakeKind::Folder ? "folder " : "browser ") + name +
           " comes to the foreground");
  return true;
}

void SimBrowsers::Unfocus() {
  d_.foreground = 0;
  RaiseWindowEvent(d_, WindowEvent::Foreground, 0);
  d_.Trace("no window is in the foreground");
}

bool SimBrowsers::Navigate(const std::string& name, const std::wstring& url,
                           const std::wstring& title) {
  FakeBrowser* b = Find(name);
  if (!b || b->kind == FakeKind::Folder) return false;
  return NavigateTab(name, b->active + 1, url, title);
}

bool SimBrowsers::Retitle(const std::string& name, const std::wstring& title) {
  FakeBrowser* b = Find(name);
  if (!b) return false;
  b->tabs[b->active].title = title;
  UpdateFrame(*b);
  d_.Trace("browser " + name + " shows the page title " + Quoted(title));
  return true;
}

bool SimBrowsers::SetFrameTitle(const std::string& name, const std::wstring& title) {
  FakeBrowser* b = Find(name);
  if (!b) return false;
  d_.Window(b->frame)->title = title;
  d_.Trace("browser " + name + " frame title set to " + Quoted(title));
  return true;
}

bool SimBrowsers::Move(const std::string& name, const Rect& rect) {
  FakeBrowser* b = Find(name);
  if (!b || rect.IsEmpty()) return false;
  d_.Window(b->frame)->rect = rect;
  LayOut(*b);
  RaiseWindowEvent(d_, WindowEvent::Location, b->frame);
  d_.Trace("browser " + name + " moves to " + RectText(rect));
  return true;
}

// Destroys a window of a fake browser. Windows of other processes inside it (a client's
// panel) are destroyed first, each with its own process's platform bound, as their own
// thread would handle WM_DESTROY; the rest with the browsers' process bound.
static void DestroyTree(Desktop& d, std::uint32_t pid, WindowHandle root) {
  std::vector<WindowHandle> foreign, stack{root};
  while (!stack.empty()) {
    SimWindow* w = d.Window(stack.back());
    stack.pop_back();
    if (!w) continue;
    for (WindowHandle c : w->children) {
      SimWindow* cw = d.Window(c);
      if (cw && cw->pid != pid)
        foreign.push_back(c);
      else
        stack.push_back(c);
    }
  }
  for (WindowHandle f : foreign) {
    SimWindow* w = d.Window(f);
    if (!w) continue;
    BoundTo(d.Process(w->pid), [&] { d.DestroyWindowTree(f, true); });
  }
  BoundTo(d.Process(pid), [&] { d.DestroyWindowTree(root, true); });
}

bool SimBrowsers::Close(const std::string& name) {
  FakeBrowser* b = Find(name);
  if (!b) return false;
  WindowHandle frame = b->frame;
  FakeKind kind = b->kind;
  browsers_.erase(std::find_if(browsers_.begin(), browsers_.end(),
                               [b](const auto& p) { return p.get() == b; }));
  DestroyTree(d_, pid_, frame);
  d_.Trace((kind == FakeKind::Folder ? "folder " : "browser ") + name + " closes");
  return true;
}

bool SimBrowsers::SetDde(const std::string& name, DdeMode mode) {
  FakeBrowser* b = Find(name);
  if (!b || b->kind != FakeKind::Firefox) return false;
  b->dde = mode;
  d_.Trace("browser " + name + " DDE server: " + DdeName(mode));
  return true;
}

bool SimBrowsers::AddTab(const std::string& name, const std::wstring& url,
                         const std::wstring& title) {
  FakeBrowser* b = Find(name);
  if (!b || (b->kind != FakeKind::IE7 && !b->IsToday())) return false;
  if (b->IsToday()) {
    FakeTab page{url, title, b->frame, b->tabs[0].view, nextTabId_++};
    b->tabs.push_back(page);
  } else {
    b->tabs.push_back(MakeIe7Tab(*b, url, title));
  }
  b->active = b->tabs.size() - 1;
  ShowActiveTab(*b);
  d_.Trace("browser " + name + " opens tab " + std::to_string(b->tabs.size()) + " at " +
           ToUtf8(url));
  return true;
}

bool SimBrowsers::ActivateTab(const std::string& name, size_t number) {
  FakeBrowser* b = Find(name);
  if (!b || (b->kind != FakeKind::IE7 && !b->IsToday()) || number < 1 || number > b->tabs.size())
    return false;
  b->active = number - 1;
  ShowActiveTab(*b);
  d_.Trace("browser " + name + " activates tab " + std::to_string(number));
  return true;
}

bool SimBrowsers::NavigateTab(const std::string& name, size_t number, const std::wstring& url,
                              const std::wstring& title) {
  FakeBrowser* b = Find(name);
  if (!b || b->kind == FakeKind::Folder || number < 1 || number > b->tabs.size()) return false;
  FakeTab& t = b->tabs[number - 1];
  t.url = url;
  t.title = title;
  if (b->kind == FakeKind::IE7)
    if (SimWindow* tw = d_.Window(t.tab)) tw->title = title + kIE7Suffix;
  UpdateFrame(*b);
  d_.Trace(
      "browser " + name +
      (b->kind == FakeKind::IE7 || b->tabs.size() > 1 ? " tab " + std::to_string(number) : "") +
      " navigates to " + ToUtf8(url) + " " + Quoted(title));
  return true;
}

bool SimBrowsers::CloseTab(const std::string& name, size_t number) {
  FakeBrowser* b = Find(name);
  if (!b || (b->kind != FakeKind::IE7 && !b->IsToday()) || number < 1 || number > b->tabs.size())
    return false;
  if (b->tabs.size() == 1) return Close(name);
  WindowHandle tab = b->tabs[number - 1].tab;
  b->tabs.erase(b->tabs.begin() + static_cast<long>(number - 1));
  if (b->active >= number - 1 && b->active > 0) --b->active;
  if (b->kind == FakeKind::IE7) DestroyTree(d_, pid_, tab);
  ShowActiveTab(*b);
  d_.Trace("browser " + name + " closes tab " + std::to_string(number));
  return true;
}

void SimBrowsers::ClearFault(const std::string& step) {
  if (step.empty())
    faults_.clear();
  else
    faults_.erase(step);
}

const ShellFault* SimBrowsers::Fault(const std::string& step) const {
  auto it = faults_.find(step);
  return it == faults_.end() ? nullptr : &it->second;
}

std::vector<std::string> SimBrowsers::Dump() {
  std::vector<std::string> lines;
  for (auto& b : browsers_) {
    if (!d_.Window(b->frame)) continue;
    std::string key = "browser." + b->name + ".";
    lines.push_back(key + "kind: " + KindName(b->kind));
    if (b->IsToday()) lines.push_back(key + "program: " + ToUtf8(b->program + L" " + b->version));
    lines.push_back(key + "frame: " + Hex(b->frame) + " " + Quoted(d_.Window(b->frame)->title));
    if (b->kind == FakeKind::Firefox) lines.push_back(key + "dde: " + DdeName(b->dde));
    if (b->kind == FakeKind::Folder) lines.push_back(key + "folder: " + FolderName(b->folder));
    for (size_t i = 0; i < b->tabs.size(); ++i) {
      const FakeTab& t = b->tabs[i];
      std::string line = key + "page." + std::to_string(i + 1) + ": url=" + Quoted(t.url) +
                         " title=" + Quoted(t.title) + " view=" + Hex(t.view);
      if (b->kind == FakeKind::IE7) line += " tab=" + Hex(t.tab);
      if (b->kind == FakeKind::IE7 && i == b->active) line += " active";
      lines.push_back(line);
    }
  }
  for (auto& [step, fault] : faults_)
    lines.push_back("shell.fault." + step + ": " + Hex(static_cast<std::uint32_t>(fault.code)));
  return lines;
}

}  // namespace zq::sim
