// The shell's list of browser objects on the simulated desktop: component calls on the fake
// browsers, counted references, and failures a scenario injects.
#include "app/Text.h"
#include "platform/sim/sim_browsers.h"
#include "platform/sim/sim_desktop.h"

namespace zq::sim {

namespace {

const wchar_t* const kIE6Version = L"4.0 (compatible; MSIE 6.0; Windows NT 5.1; SV1)";
const wchar_t* const kIE7Version = L"4.0 (compatible; MSIE 7.0; Windows NT 5.1)";
// What a call on an object of a closed browser answers (RPC_E_DISCONNECTED).
constexpr HResult kDisconnected = static_cast<HResult>(0x80010108u);

}  // namespace

SimShellWindows::SimShellWindows(Desktop& d) : d_(d), browsers_(std::make_unique<SimBrowsers>(d)) {}

SimShellWindows::~SimShellWindows() = default;

std::string SimShellWindows::ToAnsi(const std::wstring& text) { return Latin1(text); }

ShellObjectAnswer SimShellWindows::Make(Kind kind, std::uint64_t tabId) {
  ShellObject handle = next_++;
  objects_[handle] = Object{kind, tabId};
  return {hr::Ok, handle};
}

const SimShellWindows::Object* SimShellWindows::Get(ShellObject object, Kind kind) const {
  auto it = objects_.find(object);
  return (it == objects_.end() || it->second.kind != kind) ? nullptr : &it->second;
}

bool SimShellWindows::Resolve(std::uint64_t tabId, FakeBrowser*& browser, FakeTab*& tab) {
  for (const auto& b : browsers_->All()) {
    if (!d_.Window(b->frame)) continue;
    for (FakeTab& t : b->tabs) {
      if (t.id == tabId) {
        browser = b.get();
        tab = &t;
        return true;
      }
    }
  }
  return false;
}

const ShellFault* SimShellWindows::Fault(const char* step) const { return browsers_->Fault(step); }

// A set fault answers in place of the call; the shared checks for every object-taking call.
#define ZQ_SIM_SHELL_CALL(step, object, kind)                          \
  if (const ShellFault* fault = Fault(step)) return {fault->code, {}}; \
  const Object* self = Get(object, kind);                              \
  if (!self) return {hr::Pointer, {}};                                 \
  FakeBrowser* browser = nullptr;                                      \
  FakeTab* tab = nullptr;                                              \
  if (self->tabId && !Resolve(self->tabId, browser, tab)) return {kDisconnected, {}};

ShellObjectAnswer SimShellWindows::CreateCollection() {
  if (const ShellFault* fault = Fault("create")) return {fault->code, 0};
  return Make(Kind::Collection, 0);
}

ShellCountAnswer SimShellWindows::Count(ShellObject collection) {
  ZQ_SIM_SHELL_CALL("count", collection, Kind::Collection)
  return {hr::Ok, static_cast<long>(browsers_->ShellList().size())};
}

ShellObjectAnswer SimShellWindows::Item(ShellObject collection, long index) {
  ZQ_SIM_SHELL_CALL("item", collection, Kind::Collection)
  std::vector<SimBrowsers::ListItem> list = browsers_->ShellList();
  if (index < 0 || static_cast<size_t>(index) >= list.size()) return {hr::False, 0};
  const SimBrowsers::ListItem& entry = list[static_cast<size_t>(index)];
  return Make(Kind::Item, entry.browser->tabs[entry.tab].id);
}

ShellObjectAnswer SimShellWindows::QueryBrowser(ShellObject item) {
  ZQ_SIM_SHELL_CALL("browser", item, Kind::Item)
  if (browser->kind == FakeKind::Folder && browser->folder == FolderMode::NoBrowser)
    return {hr::NoInterface, 0};
  return Make(Kind::Browser, self->tabId);
}

ShellObjectAnswer SimShellWindows::Document(ShellObject browserObject) {
  ZQ_SIM_SHELL_CALL("document", browserObject, Kind::Browser)
  if (browser->kind != FakeKind::Folder) return Make(Kind::Document, self->tabId);
  if (browser->folder == FolderMode::NoDocument) return {hr::Ok, 0};
  return Make(Kind::FolderView, self->tabId);
}

ShellObjectAnswer SimShellWindows::QueryHtmlDocument(ShellObject document) {
  if (const ShellFault* fault = Fault("htmldocument")) return {fault->code, 0};
  if (Get(document, Kind::FolderView)) return {hr::NoInterface, 0};
  ZQ_SIM_SHELL_CALL("htmldocument", document, Kind::Document)
  return Make(Kind::Document, self->tabId);
}

ShellObjectAnswer SimShellWindows::QueryServiceProvider(ShellObject browserObject) {
  ZQ_SIM_SHELL_CALL("serviceprovider", browserObject, Kind::Browser)
  return Make(Kind::ServiceProvider, self->tabId);
}

ShellObjectAnswer SimShellWindows::QueryShellBrowser(ShellObject serviceProvider) {
  ZQ_SIM_SHELL_CALL("shellbrowser", serviceProvider, Kind::ServiceProvider)
  return Make(Kind::ShellBrowser, self->tabId);
}

ShellWindowAnswer SimShellWindows::OleWindow(ShellObject oleWindow) {
  ZQ_SIM_SHELL_CALL("window", oleWindow, Kind::ShellBrowser)
  // Internet Explorer 7's shell browser is the tab's window; the others' the frame.
  return {hr::Ok, tab->tab};
}

ShellTextAnswer SimShellWindows::DocumentTitle(ShellObject htmlDocument) {
  ZQ_SIM_SHELL_CALL("title", htmlDocument, Kind::Document)
  return {hr::Ok, tab->title};
}

ShellTextAnswer SimShellWindows::DocumentUrl(ShellObject htmlDocument) {
  ZQ_SIM_SHELL_CALL("url", htmlDocument, Kind::Document)
  return {hr::Ok, tab->url};
}

ShellObjectAnswer SimShellWindows::ParentWindow(ShellObject htmlDocument) {
  ZQ_SIM_SHELL_CALL("parentwindow", htmlDocument, Kind::Document)
  return Make(Kind::HtmlWindow, self->tabId);
}

ShellObjectAnswer SimShellWindows::Navigator(ShellObject htmlWindow) {
  ZQ_SIM_SHELL_CALL("navigator", htmlWindow, Kind::HtmlWindow)
  return Make(Kind::Navigator, self->tabId);
}

ShellTextAnswer SimShellWindows::AppVersion(ShellObject navigator) {
  ZQ_SIM_SHELL_CALL("appversion", navigator, Kind::Navigator)
  return {hr::Ok, browser->kind == FakeKind::IE7 ? kIE7Version : kIE6Version};
}

#undef ZQ_SIM_SHELL_CALL

void SimShellWindows::Release(ShellObject object) { objects_.erase(object); }

}  // namespace zq::sim
