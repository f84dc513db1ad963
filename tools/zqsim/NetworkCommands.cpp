// Scenario commands for the simulated network ("network ..."), the Internet Explorer
// application objects ("ieapp ...") and the status window ("status-window ...").
#include <cstdlib>
#include <ostream>
#include <string>
#include <vector>

#include "app/ClientApp.h"
#include "app/ClientProcess.h"
#include "app/Messages.h"
#include "app/Text.h"
#include "controller/ClientDlg.h"
#include "controller/StatusDlg.h"
#include "platform/sim/sim_desktop.h"
#include "platform/sim/sim_ie_app.h"
#include "platform/sim/sim_network.h"
#include "tools/zqsim/Scenario.h"

namespace zq::sim {

namespace {

bool IsNumber(const std::string& word) {
  return !word.empty() && word.find_first_not_of("0123456789") == std::string::npos;
}

void Note(Desktop& d, const std::string& what) { d.Trace("network: " + what); }

// network up|down [PREFIX] | network hang PREFIX | network status PREFIX CODE |
// network body PREFIX TEXT... | network no-element | network element | network reset
bool Network(Scenario& s, const std::vector<std::string>& words, const std::string& line) {
  Desktop& d = s.desktop();
  SimNetwork& net = d.network();
  const std::string verb = words.size() > 1 ? words[1] : "";
  if (words.size() == 2) {
    if (verb == "up" || verb == "down")
      net.up = verb == "up";
    else if (verb == "no-element" || verb == "element")
      net.checkElement = verb == "element";
    else if (verb == "reset")
      net.Reset();
    else
      return false;
    Note(d, verb);
    return true;
  }
  if (words.size() < 3) return false;
  const std::wstring prefix = FromUtf8(words[2]);
  if (words.size() == 3 && (verb == "up" || verb == "down" || verb == "hang")) {
    net.At(prefix).state = verb == "up"     ? SimNetwork::State::Up
                           : verb == "down" ? SimNetwork::State::Down
                                            : SimNetwork::State::Silent;
  } else if (words.size() == 4 && verb == "status" && IsNumber(words[3])) {
    // IsNumber checked the digits.  NOLINTNEXTLINE(cert-err34-c)
    net.At(prefix).status = std::atoi(words[3].c_str());
  } else if (verb == "body") {
    net.At(prefix).body = Scenario::RestAfter(line, 3);
  } else {
    return false;
  }
  Note(d, verb + " " + words[2] + (words.size() > 3 ? " " + Scenario::RestAfter(line, 3) : ""));
  return true;
}

// ieapp fail [CODE] | ieapp ok
bool IEApp(Scenario& s, const std::vector<std::string>& words) {
  SimIEApplications& apps = s.desktop().ieApps();
  if (words.size() == 2 && words[1] == "ok") {
    apps.failCreate = 0;
    return true;
  }
  if (words.size() >= 2 && words.size() <= 3 && words[1] == "fail") {
    apps.failCreate = words.size() == 3
                          ? static_cast<HResult>(std::strtoul(words[2].c_str(), nullptr, 0))
                          : hr::NoInterface;
    return apps.failCreate < 0;
  }
  return false;
}

CClientDlg* ControllerOf(SimProcess* p) {
  if (!p || p->ended || !p->state()) return nullptr;
  auto& proc = static_cast<ClientProcess&>(*p->state());
  return proc.App ? proc.App->Controller : nullptr;
}

// status-window show|clear|ok [PID]
bool StatusWindow(Scenario& s, const std::vector<std::string>& words) {
  if (words.size() < 2 || words.size() > 3 || (words.size() == 3 && !IsNumber(words[2])))
    return false;
  SimProcess* p = s.desktop().Process(s.Target(words, 2));
  CClientDlg* c = ControllerOf(p);
  if (!c) {
    s.out() << "note: no client is running\n";
    return true;
  }
  Windows& w = p->windows();
  const std::string& verb = words[1];
  if (verb != "show" && verb != "clear" && verb != "ok") return false;
  if (verb == "show") {
    w.Post(c->Hwnd(), UM_SHOW_STATUS_WINDOW, 0, 0);
    return true;
  }
  WindowHandle box = c->StatusWindow ? c->StatusWindow->Hwnd() : 0;
  if (!box) {
    s.out() << "note: the client has no status window\n";
    return true;
  }
  w.Post(box, wm::Command, verb == "clear" ? CStatusDlg::IDC_CLEAR_MESSAGES : mb::IdOk, 0);
  return true;
}

bool Command(Scenario& s, const std::vector<std::string>& words, const std::string& line,
             bool& ok) {
  if (words.empty()) return false;
  if (words[0] == "network")
    ok = Network(s, words, line);
  else if (words[0] == "ieapp")
    ok = IEApp(s, words);
  else if (words[0] == "status-window")
    ok = StatusWindow(s, words);
  else
    return false;
  return true;
}

void Dump(Scenario& s, std::vector<std::string>& lines) {
  const SimNetwork& net = s.desktop().network();
  if (net.up && net.checkElement && net.Routes().empty()) return;
  for (std::string& line : net.Dump()) lines.push_back(std::move(line));
}

const int kRegistered = RegisterScenarioExtension(ScenarioExtension{&Command, &Dump});

}  // namespace

}  // namespace zq::sim
