// Scenario commands that speak to the controller as its panels and tray do (page command
// words, stored settings, tray control), trace its status lines, and dump its tracking.
#include <cstdio>
#include <ostream>
#include <string>
#include <vector>

#include "app/ClientApp.h"
#include "app/ClientProcess.h"
#include "app/CommandText.h"
#include "app/Messages.h"
#include "app/Text.h"
#include "controller/ClientDlg.h"
#include "platform/sim/sim_desktop.h"
#include "tools/zqsim/Scenario.h"

namespace zq::sim {

namespace {

// The controller of a running client process, read with the thread bound to it.
CClientDlg* ControllerOf(SimProcess* p) {
  if (!p || p->ended || !p->state()) return nullptr;
  auto& proc = static_cast<ClientProcess&>(*p->state());
  return proc.App ? proc.App->Controller : nullptr;
}

std::string RectText(const Rect& r) {
  return std::to_string(r.left) + "," + std::to_string(r.top) + "," + std::to_string(r.right) +
         "," + std::to_string(r.bottom);
}

std::string ListText(const TextList& list) {
  std::string out;
  for (const std::wstring& item : list.Items()) out += (out.empty() ? "" : ",") + Quoted(item);
  return "[" + out + "]";
}

// Posts a message to the newest client's controller and lets it run. The texts among the
// parameters are freed when there is no controller to take them.
bool PostToController(Scenario& s, unsigned message, WParam wParam, LParam lParam, bool wText,
                      bool lText) {
  SimProcess* p = s.desktop().Process(s.Target({}, 1));
  CClientDlg* c = ControllerOf(p);
  if (!c) {
    if (wText) FreeText(wParam);
    if (lText) FreeText(static_cast<WParam>(lParam));
    s.out() << "note: no client controller is running\n";
    return true;
  }
  p->windows().Post(c->Hwnd(), message, wParam, lParam);
  s.desktop().SleepMs(0);
  return true;
}

bool TraceStatus(Scenario& s, bool on) {
  Desktop& d = s.desktop();
  std::uint32_t pid = s.Target({}, 1);
  CClientDlg* c = ControllerOf(d.Process(pid));
  if (!c) {
    s.out() << "note: no client controller is running\n";
    return true;
  }
  if (!on) {
    c->StatusListener = nullptr;
    return true;
  }
  c->StatusListener = [&d, pid](const std::wstring& line) {
    d.Trace("process " + std::to_string(pid) + " status line: " + Quoted(line));
  };
  return true;
}

void TrackingLines(Desktop& d, std::uint32_t pid, std::vector<std::string>& lines);

// word WORD [ARGUMENT...]     a page command word as a panel passes it on
// setting-stored KEY [VALUE]  a panel stored a setting
// tray-control ACTION [ARG]   the tray icon's control message (3: ARG is the tooltip text)
// status trace on|off         trace the controller's status lines
// tracking                    print the newest client's tracking lines and tray tooltip
bool Command(Scenario& s, const std::vector<std::string>& words, const std::string& line,
             bool& ok) {
  const std::string& cmd = words[0];
  if (cmd == "word" && words.size() >= 2) {
    ok = PostToController(s, UM_PANEL_COMMAND, GiveText(FromUtf8(words[1])),
                          GiveLParamText(FromUtf8(Scenario::RestAfter(line, 2))), true, true);
    return true;
  }
  if (cmd == "setting-stored" && words.size() >= 2) {
    ok = PostToController(s, UM_SETTING_STORED, GiveText(FromUtf8(words[1])),
                          GiveLParamText(FromUtf8(Scenario::RestAfter(line, 2))), true, true);
    return true;
  }
  if (cmd == "tray-control" && words.size() >= 2) {
    WParam action = Scenario::Number(words[1]);
    LParam argument = 0;
    if (action == TRAY_ACTION_CHANGE_TOOLTIP)
      argument = GiveLParamText(FromUtf8(Scenario::RestAfter(line, 2)));
    else if (words.size() >= 3)
      argument = static_cast<LParam>(Scenario::Number(words[2]));
    ok = PostToController(s, UM_TRAY_ICON_CONTROL, action, argument, false,
                          action == TRAY_ACTION_CHANGE_TOOLTIP);
    return true;
  }
  if (cmd == "tracking" && words.size() == 1) {
    std::vector<std::string> lines;
    std::uint32_t pid = s.Target(words, 1);
    TrackingLines(s.desktop(), pid, lines);
    if (CClientDlg* c = ControllerOf(s.desktop().Process(pid)))
      lines.push_back("tracking." + std::to_string(pid) +
                      ".tooltip: " + Quoted(c->TrayIcon.Tooltip()));
    for (const std::string& l : lines) s.out() << l << "\n";
    ok = true;
    return true;
  }
  if (cmd == "status" && words.size() == 3 && words[1] == "trace" &&
      (words[2] == "on" || words[2] == "off")) {
    ok = TraceStatus(s, words[2] == "on");
    return true;
  }
  return false;
}

// The tracking state of one running client process as "tracking.PID.*" lines.
void TrackingLines(Desktop& d, std::uint32_t pid, std::vector<std::string>& lines) {
  SimProcess* p = d.Process(pid);
  if (!p || p->ended) return;
  BindThread(p);
  if (CClientDlg* c = ControllerOf(p)) {
    std::string key = "tracking." + std::to_string(pid) + ".";
    lines.push_back(key + "last_site: " + Quoted(GetLastSite()));
    lines.push_back(key + "last_browser_rect: " + RectText(c->LastBrowserRect));
    lines.push_back(key + "site_rules: start_with=" + ListText(c->ExcludedStartWithURL) +
                    " in=" + ListText(c->ExcludedInURL));
    const NotificationFields& n = c->NotificationContent;
    lines.push_back(key + "notification: type=" + Quoted(n.MsgType) + " msg=" + Quoted(n.Msg) +
                    " link=" + Quoted(n.Link) + " content_id=" + Quoted(n.ContentId) +
                    " context_type=" + Quoted(n.ContextType) +
                    " is_site_murmel=" + Quoted(n.IsSiteMurmel) + " context=" + Quoted(n.Context));
  }
  BindThread(nullptr);
}

void Dump(Scenario& s, std::vector<std::string>& lines) {
  for (std::uint32_t pid : s.desktop().ProcessIds()) TrackingLines(s.desktop(), pid, lines);
}

const int kRegistered = RegisterScenarioExtension({&Command, &Dump});

}  // namespace

}  // namespace zq::sim
