// The simulated application objects: their switches, their loads over the simulated
// network, the fake browser window a visible one shows, and the documents they yield.
#include "platform/sim/sim_ie_app.h"

#include "app/Text.h"
#include "platform/sim/sim_browsers.h"
#include "platform/sim/sim_desktop.h"
#include "platform/sim/sim_network.h"
#include "platform/sim/sim_web_control.h"

namespace zq::sim {

namespace {

constexpr HResult kNotImplemented = static_cast<HResult>(0x80004001u);

// The document of an application object: reads its elements, writes nothing.
class SimIEDocument : public WebDocument {
 public:
  explicit SimIEDocument(std::shared_ptr<SimDocumentState> state) : s_(std::move(state)) {}
  HResult Write(const std::wstring&) override { return kNotImplemented; }
  HResult Close() override { return hr::Ok; }
  HResult Open(const std::wstring&, const std::wstring&) override { return kNotImplemented; }
  HResult Url(std::wstring& url) override {
    url = s_->url;
    return hr::Ok;
  }
  HResult Title(std::wstring& title) override {
    title = s_->title;
    return hr::Ok;
  }
  HResult ElementText(const std::wstring& id, std::optional<std::wstring>& text) override {
    auto it = s_->elements.find(id);
    text = it == s_->elements.end() ? std::nullopt : std::optional<std::wstring>(it->second);
    return hr::Ok;
  }
  HResult SetElementText(const std::wstring& id, const std::wstring& text, bool& found) override {
    auto it = s_->elements.find(id);
    found = it != s_->elements.end();
    if (found) it->second = text;
    return hr::Ok;
  }

 private:
  std::shared_ptr<SimDocumentState> s_;
};

class SimIEApp : public IEApplication {
 public:
  SimIEApp(SimIEApplications& owner, SimIEAppRecord& r) : o_(owner), r_(r) {}
  ~SimIEApp() override {
    r_.released = true;
    r_.document.reset();
    r_.next.reset();
    o_.Trace(r_, "released");
  }
  HResult SetStatusBar(bool on) override { return Set(r_.statusBar, on); }
  HResult SetToolBar(bool on) override { return Set(r_.toolBar, on); }
  HResult SetMenuBar(bool on) override { return Set(r_.menuBar, on); }
  HResult SetFullScreen(bool on) override { return Set(r_.fullScreen, on); }
  HResult SetOffline(bool on) override { return Set(r_.offline, on); }
  HResult SetVisible(bool visible) override {
    if (r_.quit) return hr::Fail;
    r_.visible = visible;
    if (visible && !Browsers(o_.desktop()).Find(r_.browser)) {
      r_.browser = "ieapp" + std::to_string(r_.index);
      std::wstring shown = r_.url.empty() ? L"about:blank" : r_.url;
      Browsers(o_.desktop()).Open(r_.browser, FakeKind::IE6, shown, shown);
      o_.Trace(r_, "shows window " + r_.browser);
    }
    return hr::Ok;
  }
  HResult Navigate(const std::wstring& url, std::int32_t, const std::wstring&,
                   const std::vector<std::uint8_t>&, const std::wstring&) override {
    if (r_.quit) return hr::Fail;
    Desktop& d = o_.desktop();
    r_.url = url;
    NetAnswer answer = d.network().Fetch(url);
    auto doc = std::make_shared<SimDocumentState>();
    doc->url = url;
    doc->title = url;
    std::string outcome = "loads";
    if (answer.kind == NetAnswer::Kind::Unreachable) {
      doc->url = L"res://ieframe.dll/dnserror.htm";
      outcome = "cannot reach the server";
    } else if (answer.status >= 400) {
      doc->url = L"res://ieframe.dll/http_" + std::to_wstring(answer.status) + L".htm";
      outcome = "gets status " + std::to_string(answer.status);
    } else if (answer.kind == NetAnswer::Kind::Answered) {
      doc->elements = SimNetwork::ElementsOf(answer.body);
    }
    r_.silent = answer.kind == NetAnswer::Kind::Silent;
    if (r_.silent) outcome = "waits for an answer that never comes";
    r_.loading = true;
    r_.readyAt = d.NowMs() + o_.loadMs;
    r_.next = doc;
    o_.Trace(r_, "navigates to " + Quoted(url) + ": " + outcome);
    if (FakeBrowser* b = Browsers(d).Find(r_.browser)) Browsers(d).Navigate(b->name, url, url);
    return hr::Ok;
  }
  HResult Window(WindowHandle& window) override {
    FakeBrowser* b = Browsers(o_.desktop()).Find(r_.browser);
    window = b ? b->frame : 0;
    return hr::Ok;
  }
  HResult Document(std::shared_ptr<WebDocument>& document) override {
    if (r_.loading && !r_.silent && o_.desktop().NowMs() >= r_.readyAt) {
      r_.loading = false;
      r_.document = std::move(r_.next);
    }
    document = r_.document ? std::make_shared<SimIEDocument>(r_.document) : nullptr;
    return hr::Ok;
  }
  HResult Quit() override {
    if (r_.quit) return hr::Ok;
    r_.quit = true;
    Browsers(o_.desktop()).Close(r_.browser);
    o_.Trace(r_, "quits");
    return hr::Ok;
  }

 private:
  HResult Set(bool& field, bool on) {
    if (r_.quit) return hr::Fail;
    field = on;
    return hr::Ok;
  }
  SimIEApplications& o_;
  SimIEAppRecord& r_;
};

}  // namespace

SimIEApplications::SimIEApplications(Desktop& d) : d_(d) {}
SimIEApplications::~SimIEApplications() = default;

HResult SimIEApplications::Create(bool run, std::unique_ptr<IEApplication>& application) {
  application.reset();
  if (failCreate) {
    d_.Trace("ieapp: creation fails");
    return failCreate;
  }
  auto r = std::make_unique<SimIEAppRecord>();
  r->index = static_cast<int>(records_.size()) + 1;
  r->pid = d_.Current().pid;
  SimIEAppRecord& made = *r;
  records_.push_back(std::move(r));
  Trace(made, run ? "created and running" : "created");
  application = std::make_unique<SimIEApp>(*this, made);
  return hr::Ok;
}

int SimIEApplications::RunningHidden() const {
  int n = 0;
  for (const auto& r : records_)
    if (!r->quit && !r->visible) ++n;
  return n;
}

void SimIEApplications::Trace(const SimIEAppRecord& r, const std::string& text) {
  d_.Trace("ieapp " + std::to_string(r.index) + ": " + text);
}

std::vector<std::string> SimIEApplications::Dump() const {
  std::vector<std::string> lines;
  lines.push_back("ieapps: " + std::to_string(records_.size()) +
                  " running_hidden=" + std::to_string(RunningHidden()));
  // The newest ones: a long run makes thousands.
  constexpr size_t kListed = 20;
  const size_t first = records_.size() > kListed ? records_.size() - kListed : 0;
  for (size_t i = first; i < records_.size(); ++i) {
    const auto& r = records_[i];
    std::string line = "ieapp." + std::to_string(r->index) + ": " +
                       (r->visible ? "visible" : "hidden") + " " + Quoted(r->url);
    if (r->visible)
      line += std::string(" bars=") + (r->statusBar ? "s" : "-") + (r->toolBar ? "t" : "-") +
              (r->menuBar ? "m" : "-") + (r->fullScreen ? " fullscreen" : "");
    if (r->quit) line += " quit";
    if (r->released) line += " released";
    lines.push_back(line);
  }
  return lines;
}

}  // namespace zq::sim
