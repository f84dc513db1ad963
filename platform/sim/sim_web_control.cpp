// The simulated web-browser control: its window, navigations with their events, documents
// with elements, and the page's side played by a scenario. Every event reaches the client
// on the control's owner thread, from inside Navigate or from a message posted to the
// control's window, so that runs are deterministic.
#include "platform/sim/sim_web_control.h"

#include <cctype>
#include <cstdio>

#include "app/Text.h"
#include "platform/sim/sim_desktop.h"
#include "platform/sim/sim_network.h"

namespace zq::sim {

namespace {

// Posted to a control's window: run the next queued action of that control.
constexpr unsigned kRunAction = wm::App + 0x3F0;
// The control window's timer that delivers a load answered by a real server, and its delay:
// fixed in virtual time however long the real request took, so that runs stay repeatable.
constexpr unsigned kLiveLoadTimer = 0x7A51;
constexpr unsigned kLiveLoadMs = 100;
const wchar_t kControlClass[] = L"Shell Embedding";

std::string Hex(WindowHandle h) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "0x%06llx", static_cast<unsigned long long>(h));
  return buf;
}

std::string Pad(long long n, int width) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%0*lld", width, n);
  return buf;
}

// A written page in short: its text without tags, blanks collapsed, at most 80 characters.
std::wstring ShortText(const std::wstring& html) {
  std::wstring out;
  bool inTag = false, blank = false;
  for (wchar_t c : html) {
    if (c == L'<') {
      inTag = true;
      blank = true;
    } else if (c == L'>') {
      inTag = false;
    } else if (!inTag) {
      if (c == L' ' || c == L'\t' || c == L'\r' || c == L'\n') {
        blank = true;
      } else {
        if (blank && !out.empty()) out += L' ';
        blank = false;
        out += c;
      }
    }
  }
  if (out.size() > 80) out.replace(77, std::wstring::npos, L"...");
  return out;
}

class SimWebDocument : public WebDocument {
 public:
  SimWebDocument(SimWebControlRecord& control, std::shared_ptr<SimDocumentState> state)
      : control_(control), state_(std::move(state)) {}

  HResult Write(const std::wstring& text) override {
    if (state_->writtenRecord < 0) {
      control_.writes.push_back(std::wstring());
      state_->writtenRecord = static_cast<int>(control_.writes.size()) - 1;
    }
    state_->written += text;
    control_.writes[static_cast<size_t>(state_->writtenRecord)] += text;
    return hr::Ok;
  }
  HResult Close() override { return hr::Ok; }
  HResult Open(const std::wstring& mimeType, const std::wstring& name) override {
    state_->written.clear();
    state_->elements.clear();
    state_->writtenRecord = -1;
    return hr::Ok;
  }
  HResult Url(std::wstring& url) override {
    url = state_->url;
    return hr::Ok;
  }
  HResult Title(std::wstring& title) override {
    title = state_->title;
    return hr::Ok;
  }
  HResult ElementText(const std::wstring& id, std::optional<std::wstring>& text) override {
    auto it = state_->elements.find(id);
    text = it == state_->elements.end() ? std::nullopt : std::optional<std::wstring>(it->second);
    return hr::Ok;
  }
  HResult SetElementText(const std::wstring& id, const std::wstring& text, bool& found) override {
    auto it = state_->elements.find(id);
    found = it != state_->elements.end();
    if (found) it->second = text;
    return hr::Ok;
  }

 private:
  SimWebControlRecord& control_;
  std::shared_ptr<SimDocumentState> state_;
};

class SimWebControl : public WebControl {
 public:
  SimWebControl(SimWebControls& all, SimWebControlRecord& c) : all_(all), c_(c) {}
  ~SimWebControl() override {
    c_.sink = nullptr;
    c_.released = true;
    c_.actions.clear();
  }

  WindowHandle Window() override { return c_.window; }
  HResult Navigate(const std::wstring& url, std::int32_t flags, const std::wstring& targetFrame,
                   const std::vector<std::uint8_t>& postData,
                   const std::wstring& headers) override {
    all_.StartNavigation(c_, url, "client");
    return hr::Ok;
  }
  HResult Refresh() override {
    ++c_.refreshes;
    return hr::Ok;
  }
  HResult Quit() override {
    c_.quit = true;
    return hr::Ok;
  }
  HResult SetSilent(bool silent) override {
    c_.silent = silent;
    return hr::Ok;
  }
  HResult SetOffline(bool offline) override {
    c_.offline = offline;
    return hr::Ok;
  }
  HResult SetRegisterAsDropTarget(bool accept) override {
    c_.dropTarget = accept;
    return hr::Ok;
  }
  HResult LocationUrl(std::wstring& url) override {
    url = c_.location;
    return hr::Ok;
  }
  HResult Document(std::shared_ptr<WebDocument>& document) override {
    document.reset();
    if (c_.document) document = std::make_shared<SimWebDocument>(c_, c_.document);
    return hr::Ok;
  }
  HResult FrameLocations(std::vector<std::wstring>& urls) override {
    urls = c_.document ? c_.document->frames : std::vector<std::wstring>();
    return hr::Ok;
  }

 private:
  SimWebControls& all_;
  SimWebControlRecord& c_;
};

}  // namespace

// The window procedure shared by every control's window.
class SimWebControls::ControlWindow : public WindowHandler {
 public:
  ControlWindow(SimWebControls& all, Desktop& d) : all_(all), d_(d) {}
  LResult OnMessage(WindowHandle window, unsigned message, WParam wParam, LParam lParam) override {
    if (message == wm::Timer && wParam == kLiveLoadTimer) {
      for (auto& c : all_.controls_)
        if (c->window == window) {
          all_.DeliverLiveLoad(*c);
          break;
        }
      return 0;
    }
    if (message == kRunAction) {
      // Found first: an action may create further controls.
      SimWebControlRecord* target = nullptr;
      for (auto& c : all_.controls_)
        if (c->window == window) target = c.get();
      if (target) all_.RunNextAction(*target);
      return 0;
    }
    SimWindow* w = d_.Window(window);
    SimProcess* p = w ? d_.Process(w->pid) : nullptr;
    return p ? p->windows().DefaultProc(window, message, wParam, lParam) : 0;
  }

 private:
  SimWebControls& all_;
  Desktop& d_;
};

SimWebControls::SimWebControls(Desktop& d)
    : d_(d), windowHandler_(std::make_unique<ControlWindow>(*this, d)) {}

SimWebControls::~SimWebControls() = default;

std::unique_ptr<WebControl> SimWebControls::Create(WindowHandle host, const Rect& rect,
                                                   std::uint32_t style, unsigned controlId,
                                                   WebControlEvents& sink) {
  SimProcess* p = d_.Process(d_.Current().pid);
  if (!p) return nullptr;
  if (failCreate) {
    d_.Trace("process " + std::to_string(p->pid()) + " cannot create a web control in " +
             Hex(host) + ": no HTML engine");
    return nullptr;
  }
  WindowSpec desc;
  desc.className = kControlClass;
  desc.style = ws::Child | style;
  desc.rect = rect;
  desc.parent = host;
  desc.handler = windowHandler_.get();
  WindowHandle window = p->windows().Create(desc);
  if (window == 0) return nullptr;
  auto c = std::make_unique<SimWebControlRecord>();
  c->index = static_cast<int>(controls_.size()) + 1;
  c->pid = p->pid();
  c->thread = d_.Current().id;
  c->host = host;
  c->window = window;
  c->controlId = controlId;
  c->sink = &sink;
  SimWebControlRecord& record = *c;
  controls_.push_back(std::move(c));
  Trace(record, "created in " + Hex(host) + " by process " + std::to_string(record.pid));
  return std::make_unique<SimWebControl>(*this, record);
}

void SimWebControls::Trace(const SimWebControlRecord& c, const std::string& text) {
  d_.Trace("web " + std::to_string(c.index) + ": " + text);
}

// ---------------------------------------------------------------------------------------
// Loading

namespace {

// Calls one event of the client's sink, when the client still holds the control.
template <class F>
void Fire(SimWebControls& all, SimWebControlRecord& c, F&& call) {
  if (!c.sink) return;
  try {
    call(*c.sink);
  } catch (const ProcessExit&) {
    throw;
  } catch (...) {
    all.Trace(c, "an event handler failed");
  }
}

}  // namespace

void SimWebControls::StartNavigation(SimWebControlRecord& c, const std::wstring& url,
                                     const std::string& by) {
  const bool topLevel = by != "frame";
  c.navigations.push_back({url, by, "pending"});
  const size_t n = c.navigations.size() - 1;
  bool cancel = false;
  Fire(*this, c, [&](WebControlEvents& s) {
    s.BeforeNavigate2(topLevel, url, std::wstring(), nullptr, std::wstring(), cancel);
  });
  std::string what = by + " navigates" + (topLevel ? "" : " a frame") + " to " + Quoted(url);
  if (cancel) {
    c.navigations[n].outcome = "cancelled";
    Trace(c, what + ": cancelled");
    return;
  }
  if (!topLevel) {
    c.navigations[n].outcome = "loaded";
    if (c.document) c.document->frames.push_back(url);
    Trace(c, what);
    Fire(*this, c, [&](WebControlEvents& s) { s.NavigateComplete2(false, url); });
    Fire(*this, c, [&](WebControlEvents& s) { s.DocumentComplete(false, url); });
    return;
  }
  Trace(c, what);
  if (c.pending) c.navigations[*c.pending].outcome = "stopped";
  c.pending = n;
  // Web addresses ask the simulated network first: a server that cannot be reached or
  // answers with an error status fails the load whether or not loads complete by themselves.
  if (ToLower(url.substr(0, 4)) == L"http") {
    NetAnswer answer = d_.network().Fetch(url);
    if (answer.kind == NetAnswer::Kind::Silent) return;
    if (answer.live) {
      StartLiveLoad(c, n, answer);
      return;
    }
    std::int32_t failure = answer.kind == NetAnswer::Kind::Unreachable
                               ? static_cast<std::int32_t>(0x800C0005u)  // resource not found
                               : (answer.status >= 400 ? answer.status : 0);
    if (failure) {
      Queue(c.index, [this, failure](SimWebControlRecord& r) { FailLoad(r, failure); });
      return;
    }
  }
  if (!noDocuments && (autoLoad || EqualsNoCase(url, L"about:blank")))
    Queue(c.index, [this](SimWebControlRecord& r) { FinishLoad(r, std::wstring()); });
}

void SimWebControls::FinishLoad(SimWebControlRecord& c, const std::wstring& title) {
  if (!c.pending || noDocuments) return;
  const size_t n = *c.pending;
  c.pending.reset();
  const std::wstring url = c.navigations[n].url;
  c.navigations[n].outcome = "loaded";
  auto doc = std::make_shared<SimDocumentState>();
  doc->url = url;
  doc->title = title.empty() ? url : title;
  if (c.live && c.live->navigation == n) doc->elements = std::move(c.live->elements);
  c.live.reset();
  c.document = doc;
  c.location = url;
  Trace(c, "loaded " + Quoted(url));
  Fire(*this, c, [](WebControlEvents& s) { s.DownloadBegin(); });
  Fire(*this, c, [&](WebControlEvents& s) { s.NavigateComplete2(true, url); });
  Fire(*this, c, [&](WebControlEvents& s) { s.TitleChange(doc->title); });
  Fire(*this, c, [](WebControlEvents& s) { s.ProgressChange(100, 100); });
  Fire(*this, c, [](WebControlEvents& s) { s.DownloadComplete(); });
  Fire(*this, c, [&](WebControlEvents& s) { s.DocumentComplete(true, url); });
}

void SimWebControls::FailLoad(SimWebControlRecord& c, std::int32_t status) {
  if (!c.pending) return;
  const size_t n = *c.pending;
  c.pending.reset();
  const std::wstring url = c.navigations[n].url;
  bool cancel = false;
  Fire(*this, c,
       [&](WebControlEvents& s) { s.NavigateError(true, url, std::wstring(), status, cancel); });
  c.navigations[n].outcome = "failed " + std::to_string(status);
  if (cancel) {
    Trace(c,
          "failed " + Quoted(url) + " with " + std::to_string(status) + "; error page cancelled");
    return;
  }
  // The control shows its own error page in place of the document.
  const std::wstring errorPage = L"res://ieframe.dll/http_" + std::to_wstring(status) + L".htm";
  c.navigations[n].outcome += ", error page shown";
  auto doc = std::make_shared<SimDocumentState>();
  doc->url = errorPage;
  doc->title = L"Error " + std::to_wstring(status);
  c.document = doc;
  c.location = errorPage;
  Trace(c, "failed " + Quoted(url) + " with " + std::to_string(status) + "; shows its error page");
  Fire(*this, c, [&](WebControlEvents& s) { s.NavigateComplete2(true, errorPage); });
  Fire(*this, c, [&](WebControlEvents& s) { s.DocumentComplete(true, errorPage); });
}

namespace {

// The text of an HTML document's <title> element, blanks collapsed; empty without one.
std::wstring TitleOf(const std::string& html) {
  std::string lower = html;
  for (char& ch : lower) ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
  size_t open = lower.find("<title");
  size_t start = open == std::string::npos ? open : lower.find('>', open);
  size_t end = start == std::string::npos ? start : lower.find("</title", start);
  if (end == std::string::npos) return std::wstring();
  std::wstring text;
  for (wchar_t ch : FromUtf8(html.substr(start + 1, end - start - 1))) {
    const bool blank = ch == L' ' || ch == L'\t' || ch == L'\r' || ch == L'\n';
    if (blank && (text.empty() || text.back() == L' ')) continue;
    text += blank ? L' ' : ch;
  }
  while (!text.empty() && text.back() == L' ') text.pop_back();
  return text;
}

}  // namespace

// The answer is at hand at once (the request ran while virtual time stood still); the
// control delivers it after a fixed delay, so that the page can still be replaced or
// stopped in between, as with a real load.
void SimWebControls::StartLiveLoad(SimWebControlRecord& c, size_t navigation,
                                   const NetAnswer& answer) {
  SimWebControlRecord::LiveLoad load;
  load.navigation = navigation;
  if (answer.kind == NetAnswer::Kind::Unreachable)
    load.failure = static_cast<std::int32_t>(0x800C0005u);  // resource not found
  else if (answer.status >= 400)
    load.failure = answer.status;
  else
    load.elements = SimNetwork::ElementsOf(answer.body);
  load.title = TitleOf(answer.body);
  c.live = std::move(load);
  SimProcess* p = d_.Process(c.pid);
  if (!p || !p->windows().SetTimer(c.window, kLiveLoadTimer, kLiveLoadMs)) c.live.reset();
}

void SimWebControls::DeliverLiveLoad(SimWebControlRecord& c) {
  if (SimProcess* p = d_.Process(c.pid)) p->windows().KillTimer(c.window, kLiveLoadTimer);
  if (!c.live || !c.pending || *c.pending != c.live->navigation) {
    c.live.reset();  // replaced or stopped meanwhile
    return;
  }
  if (c.live->failure) {
    const std::int32_t failure = c.live->failure;
    c.live.reset();
    FailLoad(c, failure);
    return;
  }
  if (noDocuments) return;
  const std::wstring title = c.live->title;
  FinishLoad(c, title);
}

// ---------------------------------------------------------------------------------------
// The page's side

SimWebControlRecord* SimWebControls::Control(int index) {
  if (index < 1 || index > static_cast<int>(controls_.size())) return nullptr;
  return controls_[static_cast<size_t>(index - 1)].get();
}

SimWebControlRecord* SimWebControls::ControlIn(WindowHandle window) {
  for (auto it = controls_.rbegin(); it != controls_.rend(); ++it)
    if ((*it)->host == window || (*it)->window == window) return it->get();
  // A window holding hosts: its first live one (a panel's front host comes first).
  for (auto& c : controls_) {
    if (c->released) continue;
    for (SimWindow* w = d_.Window(c->host); w; w = d_.Window(w->parent))
      if (w->handle == window) return c.get();
  }
  return nullptr;
}

bool SimWebControls::Queue(int index, std::function<void(SimWebControlRecord&)> action) {
  SimWebControlRecord* c = Control(index);
  if (!c || c->released || !d_.Window(c->window)) return false;
  SimProcess* p = d_.Process(c->pid);
  if (!p || p->ended) return false;
  c->actions.push_back([c, action = std::move(action)] { action(*c); });
  if (!p->windows().Post(c->window, kRunAction, 0, 0)) {
    c->actions.pop_back();
    return false;
  }
  return true;
}

void SimWebControls::RunNextAction(SimWebControlRecord& c) {
  if (c.actions.empty()) return;
  std::function<void()> action = std::move(c.actions.front());
  c.actions.pop_front();
  action();
}

bool SimWebControls::Navigate(int index, const std::wstring& url) {
  return Queue(index, [this, url](SimWebControlRecord& c) { StartNavigation(c, url, "page"); });
}

bool SimWebControls::FrameNavigate(int index, const std::wstring& url) {
  return Queue(index, [this, url](SimWebControlRecord& c) { StartNavigation(c, url, "frame"); });
}

bool SimWebControls::FrameNavigateTop(int index, const std::wstring& url) {
  return Queue(index,
               [this, url](SimWebControlRecord& c) { StartNavigation(c, url, "frame script"); });
}

bool SimWebControls::Complete(int index, const std::wstring& title) {
  SimWebControlRecord* c = Control(index);
  if (!c || !c->pending || noDocuments) return false;
  return Queue(index, [this, title](SimWebControlRecord& r) { FinishLoad(r, title); });
}

bool SimWebControls::Fail(int index, std::int32_t status) {
  SimWebControlRecord* c = Control(index);
  if (!c || !c->pending) return false;
  return Queue(index, [this, status](SimWebControlRecord& r) { FailLoad(r, status); });
}

bool SimWebControls::FrameFail(int index, std::int32_t status, const std::wstring& url) {
  return Queue(index, [this, status, url](SimWebControlRecord& c) {
    c.navigations.push_back({url, "frame", "failed " + std::to_string(status)});
    bool cancel = false;
    Fire(*this, c,
         [&](WebControlEvents& s) { s.NavigateError(false, url, std::wstring(), status, cancel); });
    Trace(c, "frame failed " + Quoted(url) + " with " + std::to_string(status) +
                 (cancel ? "; error page cancelled" : "; shows its error page"));
  });
}

bool SimWebControls::SetElement(int index, const std::wstring& id, const std::wstring& text) {
  SimWebControlRecord* c = Control(index);
  if (!c || !c->document) return false;
  c->document->elements[id] = text;
  return true;
}

std::vector<std::string> SimWebControls::Dump() const {
  std::vector<std::string> lines;
  for (const auto& c : controls_) {
    std::string key = "web." + Pad(c->index, 2);
    std::string state = c->released ? "released" : (d_.Window(c->window) ? "live" : "window gone");
    lines.push_back(
        key + ": pid=" + std::to_string(c->pid) + " host=" + Hex(c->host) +
        " window=" + Hex(c->window) + " id=" + std::to_string(c->controlId) + " state=" + state +
        (c->quit ? " quit" : "") + " silent=" + (c->silent ? "1" : "0") +
        " offline=" + (c->offline ? "1" : "0") + " drop_target=" + (c->dropTarget ? "1" : "0") +
        " refreshes=" + std::to_string(c->refreshes) + " location=" + Quoted(c->location));
    for (size_t i = 0; i < c->navigations.size(); ++i) {
      const SimNavigation& n = c->navigations[i];
      lines.push_back(key + ".nav." + Pad(static_cast<long long>(i) + 1, 3) + ": " + n.by + " " +
                      Quoted(n.url) + " " + n.outcome);
    }
    for (size_t i = 0; i < c->writes.size(); ++i)
      lines.push_back(key + ".written." + Pad(static_cast<long long>(i) + 1, 3) + ": " +
                      std::to_string(c->writes[i].size()) + " chars " +
                      Quoted(ShortText(c->writes[i])));
    if (c->document) {
      lines.push_back(key + ".document: url=" + Quoted(c->document->url) +
                      " title=" + Quoted(c->document->title));
      for (const auto& [id, text] : c->document->elements)
        lines.push_back(key + ".element." + ToUtf8(id) + ": " + Quoted(text));
      for (size_t i = 0; i < c->document->frames.size(); ++i)
        lines.push_back(key + ".frame." + Pad(static_cast<long long>(i) + 1, 3) + ": " +
                        Quoted(c->document->frames[i]));
    }
  }
  return lines;
}

}  // namespace zq::sim
