// Scenario commands that act as the page inside a simulated web control ("page ..."), the
// switches of the simulated HTML engine, and the dump lines of every control.
#include <climits>
#include <cstdlib>
#include <ostream>
#include <string>
#include <vector>

#include "app/Text.h"
#include "platform/sim/sim_desktop.h"
#include "platform/sim/sim_web_control.h"
#include "tools/zqsim/Scenario.h"

namespace zq::sim {

namespace {

std::string Trim(const std::string& s) {
  size_t b = s.find_first_not_of(" \t");
  if (b == std::string::npos) return "";
  size_t e = s.find_last_not_of(" \t");
  return s.substr(b, e - b + 1);
}

// Splits off the first word of `text` (a double-quoted word may hold blanks); `text`
// keeps what follows it.
std::string TakeWord(std::string& text) {
  text = Trim(text);
  std::string word;
  size_t end;
  if (!text.empty() && text[0] == '"') {
    end = text.find('"', 1);
    if (end == std::string::npos) end = text.size();
    word = text.substr(1, end - 1);
    end = end < text.size() ? end + 1 : end;
  } else {
    end = text.find_first_of(" \t");
    if (end == std::string::npos) end = text.size();
    word = text.substr(0, end);
  }
  text = Trim(text.substr(end));
  return word;
}

// A control by "#index", by a window handle (its host, its own window, or a window that
// holds it, such as a panel: then its first live control), or by the title of such a
// window. 0 when none matches.
int FindControl(Desktop& d, const std::string& target) {
  SimWebControls& web = d.web();
  if (target.size() > 1 && target[0] == '#') {
    // Only a whole, positive index in range names a control: "#2x" or "#99999999999" do not.
    char* end = nullptr;
    long index = std::strtol(target.c_str() + 1, &end, 10);
    if (*end != '\0' || index <= 0 || index > INT_MAX) return 0;
    return web.Control(static_cast<int>(index)) ? static_cast<int>(index) : 0;
  }
  if (target.size() > 2 && target[0] == '0' && (target[1] == 'x' || target[1] == 'X')) {
    WindowHandle h = static_cast<WindowHandle>(std::strtoull(target.c_str() + 2, nullptr, 16));
    SimWebControlRecord* c = web.ControlIn(h);
    return c ? c->index : 0;
  }
  std::wstring title = FromUtf8(target);
  SimWebControlRecord* found = nullptr;
  for (auto& [h, w] : d.AllWindows()) {
    if (!EqualsNoCase(w.title, title)) continue;
    if (SimWebControlRecord* c = web.ControlIn(h)) found = c;  // the newest window wins
  }
  return found ? found->index : 0;
}

bool Switch(const std::string& word, bool& value) {
  if (word == "on")
    value = true;
  else if (word == "off")
    value = false;
  else
    return false;
  return true;
}

// Runs one "page" line; false when it is malformed.
bool RunPageCommand(Scenario& s, const std::string& line) {
  Desktop& d = s.desktop();
  SimWebControls& web = d.web();
  std::string rest = Scenario::RestAfter(line, 1);
  const std::string verb = TakeWord(rest);
  if (verb == "engine" || verb == "create-fails" || verb == "autoload") {
    bool on = false;
    if (!Switch(rest, on)) return false;
    if (verb == "engine")
      web.noDocuments = !on;
    else if (verb == "create-fails")
      web.failCreate = on;
    else
      web.autoLoad = on;
    return true;
  }
  const std::string target = TakeWord(rest);
  if (target.empty()) return false;
  int index = FindControl(d, target);
  if (index == 0) {
    s.out() << "note: no web control " << target << "\n";
    return true;
  }
  bool queued = false;
  if (verb == "navigate" || verb == "frame-navigate") {
    std::wstring url = FromUtf8(rest);  // the rest of the line: texts may hold blanks
    if (url.empty()) return false;
    queued = verb == "navigate" ? web.Navigate(index, url) : web.FrameNavigate(index, url);
  } else if (verb == "complete") {
    queued = web.Complete(index, FromUtf8(rest));
  } else if (verb == "fail" || verb == "frame-fail") {
    std::string status = TakeWord(rest);
    if (status.empty()) return false;
    std::int32_t code = static_cast<std::int32_t>(std::strtol(status.c_str(), nullptr, 0));
    if (verb == "fail") {
      queued = web.Fail(index, code);
    } else {
      std::wstring url = FromUtf8(rest);
      if (url.empty()) return false;
      queued = web.FrameFail(index, code, url);
    }
  } else if (verb == "element") {
    std::string id = TakeWord(rest);
    if (id.empty()) return false;
    if (!web.SetElement(index, FromUtf8(id), FromUtf8(rest)))
      s.out() << "note: web control " << target << " has no document\n";
    return true;
  } else {
    return false;
  }
  if (!queued) {
    s.out() << "note: web control " << target << " cannot take \"" << verb << "\" now\n";
    return true;
  }
  d.SleepMs(0);  // the control's owner handles it now
  return true;
}

bool PageCommand(Scenario& s, const std::vector<std::string>& words, const std::string& line,
                 bool& ok) {
  if (words.empty() || words[0] != "page") return false;
  ok = RunPageCommand(s, line);
  return true;
}

void PageDump(Scenario& s, std::vector<std::string>& lines) {
  for (std::string& l : s.desktop().web().Dump()) lines.push_back(std::move(l));
}

const int kRegistered = RegisterScenarioExtension({&PageCommand, &PageDump});

}  // namespace

}  // namespace zq::sim
