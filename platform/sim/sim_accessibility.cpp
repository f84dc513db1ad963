// The stand-ins' accessibility trees: Chromium's views (frame, toolbar with the omnibox,
// tab strip, bookmarks, page) and current Firefox's (toolbox, nav-bar, urlbar, page).
#include "platform/sim/sim_accessibility.h"

#include <algorithm>
#include <filesystem>

#include "app/Text.h"
#include "platform/sim/sim_browsers.h"
#include "platform/sim/sim_desktop.h"

namespace zq::sim {

namespace {

constexpr int kText = 50020, kHyperlink = 50005, kList = 50008, kListItem = 50007;

// Adds nodes in construction order; children keep the order they are given.
class TreeBuilder {
 public:
  using Node = AccessNode;
  std::vector<Node> nodes;

  void Mark(int index, AccessNode::Role role, size_t tab = 0) {
    nodes[static_cast<size_t>(index)].role = role;
    nodes[static_cast<size_t>(index)].tab = tab;
  }

  int Add(int under, int controlType, std::wstring id, std::wstring cls, std::wstring name,
          bool front = false) {
    Node n;
    n.parent = under;
    n.controlType = controlType;
    n.automationId = std::move(id);
    n.className = std::move(cls);
    n.name = std::move(name);
    nodes.push_back(std::move(n));
    int index = static_cast<int>(nodes.size() - 1);
    if (under >= 0) {
      auto& kids = nodes[static_cast<size_t>(under)].children;
      kids.insert(front ? kids.begin() : kids.end(), index);
    }
    return index;
  }
  // A page: links, texts and lists under the document, eight children to a node, one
  // search field deep inside (a page's own edit, which a loose search would take).
  void Page(int document, unsigned count) {
    int first = static_cast<int>(nodes.size());
    for (unsigned i = 0; i < count; ++i) {
      int parent = i < 8 ? document : first + static_cast<int>((i - 8) / 8);
      int type = i % 5 == 0 ? kList : i % 5 == 1 ? kListItem : i % 3 == 0 ? kHyperlink : kText;
      if (i == count / 2) type = uia::Edit;
      Add(parent, type, L"", L"", type == uia::Edit ? L"Search" : L"Item " + std::to_wstring(i));
    }
  }
};

void ChromiumTree(TreeBuilder& t, size_t tabs, unsigned content) {
  int root = t.Add(-1, uia::Window, L"", L"Chrome_WidgetWin_1", L"");
  int view = t.Add(t.Add(t.Add(root, uia::Pane, L"", L"BrowserRootView", L""), uia::Pane, L"",
                         L"NonClientView", L""),
                   uia::Pane, L"", L"BrowserView", L"");
  int top = t.Add(view, uia::Pane, L"", L"TopContainerView", L"");
  int bar = t.Add(top, uia::ToolBar, L"", L"ToolbarView", L"");
  for (const wchar_t* b : {L"Back", L"Forward", L"Reload"})
    t.Add(bar, uia::Button, L"", L"ToolbarButton", b);
  int location = t.Add(bar, uia::Group, L"", L"LocationBarView", L"");
  t.Add(location, uia::Button, L"", L"LocationIconView", L"View site information");
  int omnibox = t.Add(location, uia::Edit, L"", L"OmniboxViewViews", L"Address and search bar");
  t.Mark(omnibox, AccessNode::Role::Address);
  t.Add(location, uia::Button, L"", L"StarView", L"Bookmark this tab");
  t.Add(bar, uia::Button, L"", L"ExtensionsToolbarButton", L"Extensions");
  t.Add(bar, uia::Button, L"", L"BrowserAppMenuButton", L"Customise and control");
  int marks = t.Add(view, uia::ToolBar, L"", L"BookmarkBarView", L"Bookmarks");
  for (int i = 0; i < 12; ++i) t.Add(marks, uia::Button, L"", L"BookmarkButton", L"Bookmark");
  int page = t.Add(t.Add(view, uia::Pane, L"", L"ContentsWebView", L""), uia::Document, L"",
                   L"Chrome_RenderWidgetHostHWND", L"");
  t.Page(page, content);
  // The tab strip comes first on screen and in the tree, but is made last so that the
  // other elements keep their places when tabs come and go.
  int strip = t.Add(top, uia::Tab, L"", L"TabStrip", L"", true);
  for (size_t i = 0; i < tabs; ++i) {
    t.Mark(t.Add(strip, uia::TabItem, L"", L"Tab", L""), AccessNode::Role::Tab, i);
  }
  t.Add(strip, uia::Button, L"", L"NewTabButton", L"New Tab");
}

void GeckoTree(TreeBuilder& t, size_t tabs, unsigned content) {
  int root = t.Add(-1, uia::Window, L"", L"MozillaWindowClass", L"");
  int toolbox = t.Add(root, uia::Group, L"navigator-toolbox", L"", L"");
  int nav = t.Add(toolbox, uia::ToolBar, L"nav-bar", L"", L"Navigation");
  for (const wchar_t* b : {L"back-button", L"forward-button", L"reload-button"})
    t.Add(nav, uia::Button, b, L"", L"");
  int urlbar =
      t.Add(t.Add(nav, uia::Group, L"urlbar-container", L"", L""), uia::Group, L"urlbar", L"", L"");
  int input = t.Add(urlbar, uia::Edit, L"urlbar-input", L"", L"Search or enter address");
  t.Mark(input, AccessNode::Role::Address);
  t.Add(nav, uia::Button, L"PanelUI-menu-button", L"", L"Open application menu");
  int marks = t.Add(toolbox, uia::ToolBar, L"PersonalToolbar", L"", L"Bookmarks Toolbar");
  for (int i = 0; i < 12; ++i) t.Add(marks, uia::Button, L"", L"", L"Bookmark");
  int page = t.Add(t.Add(root, uia::Group, L"browser", L"", L""), uia::Document, L"", L"", L"");
  t.Page(page, content);
  int strip = t.Add(t.Add(toolbox, uia::ToolBar, L"TabsToolbar", L"", L"", true), uia::Tab,
                    L"tabbrowser-tabs", L"", L"");
  for (size_t i = 0; i < tabs; ++i) {
    t.Mark(t.Add(strip, uia::TabItem, L"", L"", L""), AccessNode::Role::Tab, i);
  }
}

FakeBrowser* TodayBrowser(Desktop& d, WindowHandle frame) {
  FakeBrowser* b = Browsers(d).ByFrame(frame);
  return b && b->IsToday() && d.Window(frame) ? b : nullptr;
}

}  // namespace

bool SimAccessibility::ProgramOf(WindowHandle window, WindowProgram& program) {
  SimWindow* w = d_.Window(window);
  SimProcess* p = w ? d_.Process(w->pid) : nullptr;
  if (!p || p->ended) return false;
  program.pid = w->pid;
  program.version.clear();
  // The stand-ins share one simulated process; each reports its own program.
  WindowHandle top = window;
  while (SimWindow* t = d_.Window(top)) {
    if (t->parent == d_.DesktopHandle() || !t->parent) break;
    top = t->parent;
  }
  if (FakeBrowser* b = TodayBrowser(d_, top)) {
    program.executable = b->program;
    program.version = b->version;
    return true;
  }
  std::wstring path = p->ModulePath();
  program.executable = path.substr(path.find_last_of(L"\\/") + 1);
  return true;
}

SimAccessibility::Tree& SimAccessibility::TreeOf(const FakeBrowser& b) {
  Tree& tree = trees_[b.frame];
  if (tree.generation == b.generation && tree.tabs == b.tabs.size() && !tree.nodes.empty())
    return tree;
  TreeBuilder t;
  if (b.kind == FakeKind::Chromium)
    ChromiumTree(t, b.tabs.size(), contentElements);
  else
    GeckoTree(t, b.tabs.size(), contentElements);
  tree.nodes = std::move(t.nodes);
  tree.generation = b.generation;
  tree.tabs = b.tabs.size();
  return tree;
}

bool SimAccessibility::Call(const std::string& name, unsigned answerMs, unsigned limitMs) {
  std::uint64_t now = d_.NowMs();
  if (now < busyUntil_[name]) return false;
  if (answerMs > limitMs) {
    busyUntil_[name] = now + answerMs;
    d_.SleepMs(limitMs);
    d_.Trace("accessibility: " + name + " does not answer within " + std::to_string(limitMs) +
             " ms");
    return false;
  }
  if (answerMs) d_.SleepMs(answerMs);
  return true;
}

AccessibleElement SimAccessibility::Hand(WindowHandle frame, std::uint64_t generation, int node) {
  AccessibleElement e = ++next_;
  elements_[e] = Ref{frame, generation, node};
  return e;
}

AccessResult SimAccessibility::Resolve(AccessibleElement element, FakeBrowser*& browser,
                                       int& node) {
  auto it = elements_.find(element);
  if (it == elements_.end()) return AccessResult::Failed;
  browser = TodayBrowser(d_, it->second.frame);
  if (!browser || browser->generation != it->second.generation) return AccessResult::Stale;
  node = it->second.node;
  return static_cast<size_t>(node) < TreeOf(*browser).nodes.size() ? AccessResult::Ok
                                                                   : AccessResult::Stale;
}

AccessResult SimAccessibility::Root(WindowHandle window, unsigned limitMs,
                                    AccessibleElement& root) {
  root = 0;
  FakeBrowser* b = TodayBrowser(d_, window);
  if (!b) return AccessResult::Failed;
  std::string name = b->name;
  if (!Call(name, b->answerMs, limitMs)) return AccessResult::TimedOut;
  // The browser may have closed while the call waited.
  b = TodayBrowser(d_, window);
  if (!b) return AccessResult::Stale;
  root = Hand(window, b->generation, 0);
  return AccessResult::Ok;
}

bool SimAccessibility::Matches(const FakeBrowser& b, const Node& n,
                               const ElementCondition& c) const {
  if (c.controlType != uia::AnyControl && c.controlType != n.controlType) return false;
  if (!c.automationId.empty() && c.automationId != n.automationId) return false;
  if (!c.className.empty() && c.className != n.className) return false;
  if (c.name.empty()) return true;
  if (n.role == Role::Tab) return n.tab < b.tabs.size() && c.name == b.tabs[n.tab].title;
  return c.name == n.name;
}

AccessResult SimAccessibility::Reach(AccessibleElement element, unsigned limitMs,
                                     FakeBrowser*& browser, int& node) {
  AccessResult r = Resolve(element, browser, node);
  if (r != AccessResult::Ok) return r;
  // A copy: the browser may go while it answers.
  const std::string name = browser->name;
  if (!Call(name, browser->answerMs, limitMs)) return AccessResult::TimedOut;
  return Resolve(element, browser, node);
}

AccessResult SimAccessibility::FindFirst(AccessibleElement start, const ElementCondition& condition,
                                         SearchScope scope, unsigned limitMs,
                                         AccessibleElement& found) {
  found = 0;
  FakeBrowser* b = nullptr;
  int from = 0;
  if (AccessResult r = Reach(start, limitMs, b, from); r != AccessResult::Ok) return r;
  const std::string& name = b->name;
  ++searches;
  const Tree& tree = TreeOf(*b);
  // Depth first in document order; the tree is empty until the window has had focus.
  std::vector<std::pair<int, unsigned>> stack;
  if (!b->treeEmpty)
    for (auto it = tree.nodes[static_cast<size_t>(from)].children.rbegin();
         it != tree.nodes[static_cast<size_t>(from)].children.rend(); ++it)
      stack.emplace_back(*it, 1u);
  unsigned looked = 0;
  int match = -1;
  while (!stack.empty() && looked < scope.maxElements) {
    auto [index, depth] = stack.back();
    stack.pop_back();
    ++looked;
    const Node& n = tree.nodes[static_cast<size_t>(index)];
    if (Matches(*b, n, condition)) {
      match = index;
      break;
    }
    if (depth < scope.maxDepth)
      for (auto it = n.children.rbegin(); it != n.children.rend(); ++it)
        stack.emplace_back(*it, depth + 1);
  }
  visited += looked;
  if (traceSearches)
    d_.Trace("accessibility: " + name + " searched " + std::to_string(looked) + " elements" +
             (match >= 0 ? ", found " + ToUtf8(tree.nodes[static_cast<size_t>(match)].className +
                                               tree.nodes[static_cast<size_t>(match)].automationId)
                         : ", nothing found"));
  if (match < 0) return AccessResult::NotFound;
  found = Hand(b->frame, b->generation, match);
  return AccessResult::Ok;
}

AccessResult SimAccessibility::Value(AccessibleElement element, unsigned limitMs,
                                     std::wstring& value) {
  value.clear();
  FakeBrowser* b = nullptr;
  int node = 0;
  if (AccessResult r = Reach(element, limitMs, b, node); r != AccessResult::Ok) return r;
  ++reads;
  // Only the address bar has a Value pattern.
  if (TreeOf(*b).nodes[static_cast<size_t>(node)].role != Role::Address)
    return AccessResult::Failed;
  value = ShownAddress(b->kind, b->tabs[b->active].url);
  return AccessResult::Ok;
}

void SimAccessibility::Release(AccessibleElement element) { elements_.erase(element); }

std::vector<std::string> SimAccessibility::Dump() const {
  if (!searches && !reads && elements_.empty()) return {};
  return {"access.searches: " + std::to_string(searches) + " visited=" + std::to_string(visited),
          "access.reads: " + std::to_string(reads),
          "access.live_elements: " + std::to_string(elements_.size())};
}

}  // namespace zq::sim
