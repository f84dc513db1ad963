// Scenario commands for the fake browsers (browser, folder, ie) and for asking a client
// process what browser detection finds right now (detect), with their dump lines.
#include <cstdio>
#include <ostream>
#include <string>
#include <vector>

#include "app/ClientProcess.h"
#include "app/Text.h"
#include "controller/browser/BrowserDetection.h"
#include "platform/sim/sim_accessibility.h"
#include "platform/sim/sim_browsers.h"
#include "platform/sim/sim_desktop.h"
#include "tools/zqsim/Scenario.h"

namespace zq::sim {

namespace {

std::string Hex(std::uintptr_t v) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "0x%06llx", static_cast<unsigned long long>(v));
  return buf;
}

std::string Code(std::int32_t value) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "0x%08x", static_cast<unsigned>(value));
  return buf;
}

HResult ParseCode(const std::string& word) {
  return static_cast<HResult>(static_cast<std::uint32_t>(std::stoul(word, nullptr, 0)));
}

bool OpenCommand(SimBrowsers& b, const std::vector<std::string>& words, const std::string& line) {
  if (words.size() < 5) return false;
  FakeKind kind;
  if (words[3] == "firefox")
    kind = FakeKind::Firefox;
  else if (words[3] == "ie6")
    kind = FakeKind::IE6;
  else if (words[3] == "ie7")
    kind = FakeKind::IE7;
  else
    return b.OpenToday(words[2], words[3], FromUtf8(words[4]),
                       FromUtf8(Scenario::RestAfter(line, 5)));
  return b.Open(words[2], kind, FromUtf8(words[4]), FromUtf8(Scenario::RestAfter(line, 5)));
}

bool TabCommand(SimBrowsers& b, const std::vector<std::string>& words, const std::string& line) {
  if (words.size() < 4) return false;
  const std::string& name = words[2];
  const std::string& what = words[3];
  if (what == "add" && words.size() >= 5)
    return b.AddTab(name, FromUtf8(words[4]), FromUtf8(Scenario::RestAfter(line, 5)));
  if (words.size() < 5) return false;
  size_t number = std::stoul(words[4]);
  if (what == "activate") return b.ActivateTab(name, number);
  if (what == "close") return b.CloseTab(name, number);
  if (what == "navigate" && words.size() >= 6)
    return b.NavigateTab(name, number, FromUtf8(words[5]), FromUtf8(Scenario::RestAfter(line, 6)));
  return false;
}

// browser minimize|restore|rebuild|empty-tree NAME
bool TodayCommand(SimBrowsers& b, const std::string& what, const std::string& name) {
  if (what == "minimize") return b.Minimize(name);
  if (what == "restore") return b.Restore(name);
  if (what == "rebuild") return b.Rebuild(name);
  if (what == "empty-tree") return b.EmptyTree(name);
  return false;
}

bool BrowserCommand(SimBrowsers& b, const std::vector<std::string>& words,
                    const std::string& line) {
  if (words.size() < 2) return false;
  const std::string& what = words[1];
  if (what == "unfocus") {
    b.Unfocus();
    return true;
  }
  if (what == "open") return OpenCommand(b, words, line);
  if (what == "tab") return TabCommand(b, words, line);
  if (words.size() < 3) return false;
  const std::string& name = words[2];
  if (what == "focus") return b.Focus(name);
  if (what == "close") return b.Close(name);
  if (what == "navigate" && words.size() >= 4)
    return b.Navigate(name, FromUtf8(words[3]), FromUtf8(Scenario::RestAfter(line, 4)));
  if (what == "retitle") return b.Retitle(name, FromUtf8(Scenario::RestAfter(line, 3)));
  if (what == "caption") return b.SetFrameTitle(name, FromUtf8(Scenario::RestAfter(line, 3)));
  if (what == "move" && words.size() == 7)
    return b.Move(name, Rect{std::stoi(words[3]), std::stoi(words[4]), std::stoi(words[5]),
                             std::stoi(words[6])});
  if (words.size() == 3 && TodayCommand(b, what, name)) return true;
  if (what == "update" && words.size() == 4) return b.Update(name, FromUtf8(words[3]));
  if (what == "answer" && words.size() == 4)
    return b.Answer(name, static_cast<unsigned>(std::stoul(words[3])));
  if (what == "dde" && words.size() == 4) {
    if (words[3] == "answer") return b.SetDde(name, DdeMode::Answer);
    if (words[3] == "silent") return b.SetDde(name, DdeMode::Silent);
    if (words[3] == "noseparator") return b.SetDde(name, DdeMode::NoSeparator);
  }
  return false;
}

bool FolderCommand(SimBrowsers& b, const std::vector<std::string>& words) {
  if (words.size() == 3 && words[1] == "focus") return b.Focus(words[2]);
  if (words.size() == 3 && words[1] == "close") return b.Close(words[2]);
  if (words.size() < 3 || words.size() > 4 || words[1] != "open") return false;
  FolderMode mode = FolderMode::FolderView;
  if (words.size() == 4) {
    if (words[3] == "nobrowser")
      mode = FolderMode::NoBrowser;
    else if (words[3] == "nodocument")
      mode = FolderMode::NoDocument;
    else if (words[3] != "view")
      return false;
  }
  return b.OpenFolder(words[2], mode);
}

// ie version-check fail [CODE] | none | ok;  ie fail STEP [CODE];  ie ok STEP|all
bool IeCommand(Desktop& d, SimBrowsers& b, const std::vector<std::string>& words) {
  if (words.size() < 3) return false;
  if (words[1] == "version-check") {
    if (words[2] == "fail") {
      b.SetFault("navigator", words.size() > 3 ? ParseCode(words[3]) : hr::Fail);
    } else if (words[2] == "none") {
      b.SetFault("appversion", hr::Ok);
    } else if (words[2] == "ok") {
      b.ClearFault("navigator");
      b.ClearFault("appversion");
    } else {
      return false;
    }
    d.Trace("ie version check: " + words[2]);
    return true;
  }
  if (words[1] == "fail") {
    b.SetFault(words[2], words.size() > 3 ? ParseCode(words[3]) : hr::Fail);
    d.Trace("shell call " + words[2] + " fails");
    return true;
  }
  if (words[1] == "ok") {
    b.ClearFault(words[2] == "all" ? std::string() : words[2]);
    d.Trace("shell call " + words[2] + " works");
    return true;
  }
  return false;
}

// Runs detection on the controller's behalf in the client process and prints its answer.
bool DetectCommand(Scenario& s, const std::vector<std::string>& words) {
  Desktop& d = s.desktop();
  SimProcess* p = d.Process(s.Target(words, 1));
  if (!p || p->ended || !p->state()) return false;
  ActiveBrowserInfo info;
  BindThread(p);
  try {
    FindActiveBrowser(info);
  } catch (...) {
    BindThread(nullptr);
    throw;
  }
  std::int32_t kind = static_cast<ClientProcess&>(*p->state()).IEVersionKind;
  BindThread(nullptr);
  std::string where = "none";
  if (SimWindow* w = d.Window(info.window)) where = Hex(info.window) + " " + ToUtf8(w->className);
  s.out() << "detect: window=" << where << " url=" << Quoted(info.url)
          << " ie_version_kind=" << Code(kind) << "\n";
  return true;
}

bool Command(Scenario& s, const std::vector<std::string>& words, const std::string& line,
             bool& ok) {
  const std::string& cmd = words[0];
  if (cmd == "access" && words.size() == 1) {
    // The accessibility dump lines alone: searches, reads and elements still held.
    for (const std::string& l : s.desktop().accessibility().Dump()) s.out() << l << "\n";
    ok = true;
    return true;
  }
  if (cmd != "browser" && cmd != "folder" && cmd != "ie" && cmd != "detect") return false;
  SimBrowsers& b = Browsers(s.desktop());
  if (cmd == "browser")
    ok = BrowserCommand(b, words, line);
  else if (cmd == "folder")
    ok = FolderCommand(b, words);
  else if (cmd == "ie")
    ok = IeCommand(s.desktop(), b, words);
  else
    ok = DetectCommand(s, words);
  if (ok && cmd != "detect") s.desktop().SleepMs(0);
  return true;
}

void Dump(Scenario& s, std::vector<std::string>& lines) {
  for (std::string& l : Browsers(s.desktop()).Dump()) lines.push_back(std::move(l));
  size_t live = s.desktop().shellWindows().LiveObjects();
  if (live) lines.push_back("shell.live_objects: " + std::to_string(live));
  for (std::string& l : s.desktop().accessibility().Dump()) lines.push_back(std::move(l));
}

const int kRegistered = RegisterScenarioExtension({&Command, &Dump});

}  // namespace

}  // namespace zq::sim
