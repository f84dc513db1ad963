// Scenario commands for the shell: the mouse on the tray icon and on the notifier popup,
// the taskbar's restart and position; dump lines for the notifier and painted texts.
#include <cstdio>
#include <ostream>
#include <set>
#include <string>
#include <vector>

#include "app/ClientApp.h"
#include "app/ClientProcess.h"
#include "app/Text.h"
#include "controller/ClientDlg.h"
#include "platform/sim/sim_desktop.h"
#include "platform/sim/sim_taskbar.h"
#include "tools/zqsim/Scenario.h"

namespace zq::sim {

namespace {

std::string Hex(std::uintptr_t v, int width) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "0x%0*llx", width, static_cast<unsigned long long>(v));
  return buf;
}

std::string RectText(const Rect& r) {
  return std::to_string(r.left) + "," + std::to_string(r.top) + "," + std::to_string(r.right) +
         "," + std::to_string(r.bottom);
}

bool IsNumber(const std::string& word) {
  return !word.empty() && word.find_first_not_of("0123456789") == std::string::npos;
}

// "ctrl", "alt", "shift" joined by "+"; false for anything else.
bool ParseKeys(const std::string& word, std::set<int>& keys) {
  size_t start = 0;
  while (start <= word.size()) {
    size_t plus = word.find('+', start);
    std::string name =
        word.substr(start, plus == std::string::npos ? std::string::npos : plus - start);
    if (name == "ctrl")
      keys.insert(0x11);
    else if (name == "alt")
      keys.insert(0x12);
    else if (name == "shift")
      keys.insert(0x10);
    else
      return false;
    if (plus == std::string::npos) break;
    start = plus + 1;
  }
  return true;
}

// The running client's controller, read between its turns; null when there is none.
CClientDlg* ControllerOf(SimProcess* p) {
  if (!p || p->ended || !p->state()) return nullptr;
  auto& proc = static_cast<ClientProcess&>(*p->state());
  return proc.App ? proc.App->Controller : nullptr;
}

WindowHandle NotifierWindow(Desktop& d, std::uint32_t pid) {
  for (auto& [h, w] : d.AllWindows())
    if (w.pid == pid && w.className == L"TaskbarNotifierClass") return h;
  return 0;
}

// tray click|dblclick|rclick [KEYS] [PID]
bool TrayMouse(Scenario& s, const std::vector<std::string>& words) {
  SimTaskbar::Click click;
  if (words[1] == "click")
    click = SimTaskbar::Click::Left;
  else if (words[1] == "dblclick")
    click = SimTaskbar::Click::Double;
  else if (words[1] == "rclick")
    click = SimTaskbar::Click::Right;
  else
    return false;
  std::set<int> keys;
  std::vector<std::string> target = {words[0], words[1]};
  for (size_t i = 2; i < words.size(); ++i) {
    if (IsNumber(words[i]))
      target.push_back(words[i]);
    else if (!ParseKeys(words[i], keys))
      return false;
  }
  std::uint32_t pid = s.Target(target, 2);
  if (!s.desktop().taskbarShell().ClickIcon(pid, click, keys))
    s.out() << "note: process " << pid << " has no tray icon\n";
  return true;
}

// taskbar restart | taskbar at left|top|right|bottom [THICKNESS] | taskbar animation on|off
bool Taskbar(Scenario& s, const std::vector<std::string>& words) {
  SimTaskbar& bar = s.desktop().taskbarShell();
  if (words.size() == 2 && words[1] == "restart") {
    bar.Restart();
    s.desktop().SleepMs(0);
    return true;
  }
  if (words.size() == 3 && words[1] == "animation" && (words[2] == "on" || words[2] == "off")) {
    bar.minimizeAnimation = words[2] == "on";
    return true;
  }
  if ((words.size() == 3 || words.size() == 4) && words[1] == "at") {
    const std::string& e = words[2];
    SimTaskbar::Edge edge;
    if (e == "left")
      edge = SimTaskbar::Edge::Left;
    else if (e == "top")
      edge = SimTaskbar::Edge::Top;
    else if (e == "right")
      edge = SimTaskbar::Edge::Right;
    else if (e == "bottom")
      edge = SimTaskbar::Edge::Bottom;
    else
      return false;
    if (words.size() == 4 && !IsNumber(words[3])) return false;
    bar.PlaceAt(edge, words.size() == 4 ? std::stoi(words[3]) : 30);
    return true;
  }
  return false;
}

// notifier hover|leave|click [PID]
bool NotifierMouse(Scenario& s, const std::vector<std::string>& words) {
  if (words.size() > 3 || (words.size() == 3 && !IsNumber(words[2]))) return false;
  const std::string& verb = words[1];
  if (verb != "hover" && verb != "leave" && verb != "click") return false;
  std::uint32_t pid = s.Target(words, 2);
  WindowHandle popup = NotifierWindow(s.desktop(), pid);
  if (!popup) {
    s.out() << "note: process " << pid << " has no notifier window\n";
    return true;
  }
  SimTaskbar& bar = s.desktop().taskbarShell();
  s.desktop().Trace("the mouse " +
                    std::string(verb == "hover"   ? "rests on"
                                : verb == "leave" ? "leaves"
                                                  : "clicks") +
                    " the notifier of process " + std::to_string(pid));
  if (verb == "hover") bar.MouseOver(popup);
  if (verb == "leave") bar.MouseLeave(popup);
  if (verb == "click") bar.MouseClick(popup);
  return true;
}

bool Command(Scenario& s, const std::vector<std::string>& words, const std::string& line,
             bool& ok) {
  if (words.size() < 2) return false;
  if (words[0] == "tray" && words[1] != "fail-adds") {
    ok = TrayMouse(s, words);
    return true;
  }
  if (words[0] == "taskbar") {
    ok = Taskbar(s, words);
    return true;
  }
  if (words[0] == "notifier") {
    ok = NotifierMouse(s, words);
    return true;
  }
  return false;
}

std::string FontText(const FontSpec& f) {
  std::string s = "\"" + ToUtf8(f.face) + "\" " + std::to_string(f.tenthsOfPoint);
  if (f.bold) s += " bold";
  if (f.italic) s += " italic";
  if (f.underline) s += " underline";
  return s;
}

void Dump(Scenario& s, std::vector<std::string>& lines) {
  Desktop& d = s.desktop();
  for (std::uint32_t pid : d.ProcessIds()) {
    CClientDlg* c = ControllerOf(d.Process(pid));
    if (!c) continue;
    const CTaskbarNotifier& n = c->Notifier;
    if (n.GetStatus() == CTaskbarNotifier::Idle && n.GetCaption().empty()) continue;
    std::string key = "process." + std::to_string(pid) + ".notifier";
    CTaskbarNotifier::Steps show = n.GetShowSteps(), hide = n.GetHideSteps();
    lines.push_back(key + ": status=" + std::to_string(n.GetStatus()) +
                    " placement=" + std::to_string(n.GetPlacement()) + " mouse_over=" +
                    (n.IsMouseOver() ? "1" : "0") + " stay=" + std::to_string(n.GetTimeToStay()) +
                    " show=" + std::to_string(show.delay) + "ms/" + std::to_string(show.increment) +
                    "px hide=" + std::to_string(hide.delay) + "ms/" +
                    std::to_string(hide.increment) + "px");
    lines.push_back(key + ".caption: " + Quoted(n.GetCaption()));
  }
  for (auto& [h, record] : d.taskbarShell().paints) {
    if (!record.hasText || !d.Window(h)) continue;
    const TextPaint& t = record.text;
    lines.push_back("paint." + Hex(h, 6) + ".text: " + Quoted(t.text) +
                    " rect=" + RectText(t.rect) + " format=" + Hex(t.format, 4) +
                    " font=" + FontText(t.font) + " color=" + Hex(t.color, 6));
  }
  if (d.taskbarShell().cursorShape != 0)
    lines.push_back("shell.cursor: " + std::to_string(d.taskbarShell().cursorShape));
}

const int kRegistered = RegisterScenarioExtension(ScenarioExtension{&Command, &Dump});

}  // namespace

}  // namespace zq::sim
