// The scenario language: each line is a command word and its arguments; see
// docs/scenario-language.md.
#include "tools/zqsim/Scenario.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <ostream>
#include <sstream>

#include "app/ClientApp.h"
#include "app/ClientProcess.h"
#include "app/ControllerAccess.h"
#include "app/Messages.h"
#include "app/Text.h"
#include "controller/ClientDlg.h"
#include "controller/ClientDump.h"
#include "platform/sim/sim_browsers.h"
#include "platform/sim/sim_desktop.h"
#include "platform/sim/sim_profile.h"
#include "platform/sim/sim_registry.h"
#include "platform/sim/sim_window.h"

namespace zq::sim {

namespace {

std::string Pad(long long n, int width) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%0*lld", width, n);
  return buf;
}

std::string HexHandle(std::uintptr_t h) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "0x%06llx", static_cast<unsigned long long>(h));
  return buf;
}

// "5s", "250ms", "2m", "1h" in milliseconds; -1 when malformed.
long long ParseDuration(const std::string& text) {
  size_t i = 0;
  while (i < text.size() && std::isdigit(static_cast<unsigned char>(text[i]))) ++i;
  if (i == 0) return -1;
  long long n = std::stoll(text.substr(0, i));
  std::string unit = text.substr(i);
  if (unit == "ms") return n;
  if (unit == "s" || unit.empty()) return n * 1000;
  if (unit == "m") return n * 60000;
  if (unit == "h") return n * 3600000;
  return -1;
}

int ParseAnswer(const std::string& word) {
  if (word == "ok") return mb::IdOk;
  if (word == "cancel") return mb::IdCancel;
  if (word == "yes") return mb::IdYes;
  if (word == "no") return mb::IdNo;
  return -1;
}

std::vector<std::string> SplitWords(const std::string& line) {
  std::vector<std::string> words;
  std::istringstream in(line);
  std::string w;
  while (in >> w) words.push_back(w);
  return words;
}

// The client's names for the numbers a script gives: tray menu commands, tray-control
// actions and tray pictures.
constexpr std::pair<const char*, unsigned> kNames[] = {
    {"ID_APP_ABOUT", ID_APP_ABOUT},
    {"ID_SEND_FEEDBACK", ID_SEND_FEEDBACK},
    {"ID_SHARE_MY_LOCATION", ID_SHARE_MY_LOCATION},
    {"ID_WHERE_ARE_MY_FRIENDS", ID_WHERE_ARE_MY_FRIENDS},
    {"ID_MY_EVENTS", ID_MY_EVENTS},
    {"ID_MY_SETTINGS", ID_MY_SETTINGS},
    {"ID_MY_FRIENDS", ID_MY_FRIENDS},
    {"ID_DISABLE_ENABLE", ID_DISABLE_ENABLE},
    {"ID_APP_EXIT", ID_APP_EXIT},
    {"TRAY_ACTION_START_ANIMATION", TRAY_ACTION_START_ANIMATION},
    {"TRAY_ACTION_END_ANIMATION", TRAY_ACTION_END_ANIMATION},
    {"TRAY_ACTION_CHANGE_ICON", TRAY_ACTION_CHANGE_ICON},
    {"TRAY_ACTION_CHANGE_TOOLTIP", TRAY_ACTION_CHANGE_TOOLTIP},
    {"TRAY_ACTION_LEFT_CLICK", TRAY_ACTION_LEFT_CLICK},
    {"IDI_TRAY_SHARING", IDI_TRAY_SHARING},
    {"IDI_TRAY_DISABLED", IDI_TRAY_DISABLED},
    {"IDI_TRAY_UNREACHABLE", IDI_TRAY_UNREACHABLE},
    {"IDI_TRAY_NOT_SHARING", IDI_TRAY_NOT_SHARING},
};

// The key of a dump line: what comes before its first ": ".
std::string KeyOf(const std::string& line) { return line.substr(0, line.find(": ")); }

// Whether the key starts with one of the prefixes, also after a "process.PID." start.
bool InSection(const std::string& key, const std::vector<std::string>& prefixes) {
  std::string inner;
  if (key.rfind("process.", 0) == 0) {
    size_t dot = key.find('.', 8);
    if (dot != std::string::npos) inner = key.substr(dot + 1);
  }
  for (const std::string& p : prefixes)
    if (key.rfind(p, 0) == 0 || (!inner.empty() && inner.rfind(p, 0) == 0)) return true;
  return false;
}

std::vector<ScenarioExtension>& Extensions() {
  static std::vector<ScenarioExtension> list;
  return list;
}

}  // namespace

int RegisterScenarioExtension(ScenarioExtension extension) {
  Extensions().push_back(extension);
  return static_cast<int>(Extensions().size());
}

unsigned Scenario::Number(const std::string& word) {
  for (auto& [name, value] : kNames)
    if (word == name) return value;
  return static_cast<unsigned>(std::stoul(word));
}

std::string Scenario::RestAfter(const std::string& line, size_t words) {
  size_t pos = 0;
  for (size_t i = 0; i < words; ++i) {
    pos = line.find_first_not_of(" \t", pos);
    pos = line.find_first_of(" \t", pos);
    if (pos == std::string::npos) return "";
  }
  pos = line.find_first_not_of(" \t", pos);
  return pos == std::string::npos ? "" : line.substr(pos);
}

Scenario::Scenario(Desktop& desktop, std::ostream& out) : d_(desktop), out_(out) {
  // The program is installed: its directory exists on the simulated disk.
  std::filesystem::create_directories(std::filesystem::path(ConfigPath()).parent_path());
  d_.launcher = [this](std::uint32_t, const std::wstring& commandLine) {
    std::wstring module = FromUtf8(ModulePath);
    if (commandLine.find(module) == std::wstring::npos &&
        commandLine.find(L"ZephquillClient.exe") == std::wstring::npos)
      return false;
    StartClient(commandLine);
    return true;
  };
}

std::string Scenario::ConfigPath() const {
  return d_.HostPath(L"C:\\Program Files\\Zephquill\\ZQConfig.ini");
}

std::uint32_t Scenario::StartClient(const std::wstring& commandLine) {
  lastPid_ = d_.StartProcess(FromUtf8(ModulePath), commandLine, [] { return ClientMain(); });
  return lastPid_;
}

std::uint32_t Scenario::Target(const std::vector<std::string>& words, size_t at) {
  if (words.size() > at) return static_cast<std::uint32_t>(std::stoul(words[at]));
  // The newest process still running, or the last one started when none runs. The fake
  // browsers' process is never meant.
  std::vector<std::uint32_t> ids = d_.ProcessIds();
  for (auto it = ids.rbegin(); it != ids.rend(); ++it)
    if (!d_.Process(*it)->ended && *it != Browsers(d_).Pid()) return *it;
  return lastPid_;
}

bool Scenario::Run(const std::vector<std::string>& lines) {
  int number = 0;
  for (const std::string& raw : lines) {
    ++number;
    std::string line = raw;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    std::vector<std::string> words = SplitWords(line);
    if (words.empty() || words[0][0] == '#') continue;
    bool ok = false;
    try {
      ok = Step(words, line);
    } catch (const std::exception& e) {
      ok = false;
    }
    if (!ok) {
      out_ << "error: line " << number << ": ";
      if (failure_.empty())
        out_ << "cannot run \"" << line << "\"\n";
      else
        out_ << failure_ << "\n";
      return false;
    }
  }
  return true;
}

bool Scenario::StepConfig(const std::string& cmd, const std::string& line) {
  std::string rest = RestAfter(line, 1);
  std::filesystem::create_directories(std::filesystem::path(ConfigPath()).parent_path());
  if (cmd == "config-raw") {
    std::ofstream(ConfigPath(), std::ios::app) << rest << "\r\n";
    return true;
  }
  size_t eq = rest.find('=');
  if (eq == std::string::npos) return false;
  return d_.profile().WriteString(L"General", FromUtf8(rest.substr(0, eq)),
                                  FromUtf8(rest.substr(eq + 1)),
                                  L"C:\\Program Files\\Zephquill\\ZQConfig.ini");
}

// Message-box answers, tray failures and menu choices the desktop gives the client; false
// when the words are none of these, with the outcome in ok otherwise.
bool Scenario::StepDesktopAnswer(const std::vector<std::string>& words, bool& ok) {
  const std::string& cmd = words[0];
  ok = true;
  if (cmd == "box" && words.size() >= 3 && words[1] == "answer") {
    int answer = ParseAnswer(words.back());
    int number = words.size() == 4 ? std::stoi(words[2]) : 0;
    if (answer < 0) {
      ok = false;
      return true;
    }
    if (!d_.AnswerBox(number, answer)) out_ << "note: no message box waits for an answer\n";
    d_.SleepMs(0);
    return true;
  }
  if (cmd == "autoanswer" && words.size() == 2) {
    if (words[1] == "off") {
      d_.autoAnswer.reset();
      return true;
    }
    int answer = ParseAnswer(words[1]);
    if (answer < 0) {
      ok = false;
      return true;
    }
    d_.autoAnswer = answer;
    return true;
  }
  if (cmd == "tray" && words.size() == 3 && words[1] == "fail-adds") {
    d_.failTrayAdds = std::stoi(words[2]);
    return true;
  }
  if (cmd == "menu" && words.size() == 3 && words[1] == "choose") {
    d_.menuChoices.push_back(Number(words[2]));
    return true;
  }
  return false;
}

// "command", "key" and "close": a message to the controller window of a running client.
bool Scenario::StepController(const std::vector<std::string>& words) {
  const std::string& cmd = words[0];
  SimProcess* p = d_.Process(Target(words, cmd == "close" ? 1 : 2));
  if (!p || p->ended) return false;
  BindThread(p);
  WindowHandle controller = 0;
  if (p->state()) controller = ControllerWindow();
  BindThread(nullptr);
  if (!controller) {
    out_ << "note: process " << p->pid() << " has no controller window\n";
    return true;
  }
  if (cmd == "command") {
    p->windows().Post(controller, wm::Command, Number(words.at(1)), 0);
  } else if (cmd == "key") {
    unsigned vk = words.at(1) == "escape" ? 27 : static_cast<unsigned>(std::stoul(words[1]));
    p->windows().Post(controller, wm::KeyDown, vk, 0);
  } else {
    p->windows().Post(controller, wm::Close, 0, 0);
  }
  d_.SleepMs(0);
  return true;
}

bool Scenario::Step(const std::vector<std::string>& words, const std::string& line) {
  const std::string& cmd = words[0];
  if (cmd == "config" || cmd == "config-raw") return StepConfig(cmd, line);
  if (cmd == "start") {
    std::string args = RestAfter(line, 1);
    std::wstring commandLine = L"\"" + FromUtf8(ModulePath) + L"\"";
    if (!args.empty()) commandLine += L" " + FromUtf8(args);
    StartClient(commandLine);
    return true;
  }
  if (cmd == "advance" && words.size() == 2) {
    long long ms = ParseDuration(words[1]);
    if (ms < 0) return false;
    d_.SleepMs(static_cast<unsigned>(ms));
    return true;
  }
  bool ok = false;
  if (StepDesktopAnswer(words, ok)) return ok;
  if (cmd == "command" || cmd == "key" || cmd == "close") return StepController(words);
  if (cmd == "dump" || cmd == "expect") return StepDump(words, line);
  for (const ScenarioExtension& e : Extensions()) {
    ok = false;
    if (e.command && e.command(*this, words, line, ok)) return ok;
  }
  if (cmd == "echo") {
    out_ << RestAfter(line, 1) << "\n";
    return true;
  }
  return false;
}

// "dump" (all of it, framed), "dump PREFIX..." (the lines of those keys) and
// "expect KEY VALUE" (the run fails unless the line of KEY holds VALUE; "absent": no line).
bool Scenario::StepDump(const std::vector<std::string>& words, const std::string& line) {
  if (words[0] == "dump" && words.size() == 1) {
    out_ << "--- dump at " << d_.NowMs() / 1000.0 << " s ---\n";
    for (const std::string& l : Dump()) out_ << l << "\n";
    out_ << "--- end of dump ---\n";
    return true;
  }
  if (words[0] == "dump") {
    std::vector<std::string> prefixes(words.begin() + 1, words.end());
    for (const std::string& l : Dump())
      if (InSection(KeyOf(l), prefixes)) out_ << l << "\n";
    return true;
  }
  if (words.size() < 3) return false;
  std::string want = RestAfter(line, 2);
  want.erase(want.find_last_not_of(" \t") + 1);
  std::string got = "absent";
  for (const std::string& l : Dump())
    if (KeyOf(l) == words[1]) got = l.substr(words[1].size() + 2);
  if (got == want) return true;
  failure_ = "expected " + words[1] + " " + want + ", got " + got;
  return false;
}

std::vector<std::string> Scenario::Dump() {
  std::vector<std::string> lines;
  lines.push_back("time_ms: " + std::to_string(d_.NowMs()));
  for (std::uint32_t pid : d_.ProcessIds()) {
    SimProcess* p = d_.Process(pid);
    std::string key = "process." + std::to_string(pid) + ".";
    lines.push_back(key + "command_line: " + Quoted(p->CommandLine()));
    lines.push_back(key + "state: " +
                    (p->ended ? "exited " + std::to_string(p->exitCode.value_or(0)) : "running"));
    if (p->ended) continue;
    BindThread(p);
    for (const std::string& l : DumpClientState()) lines.push_back(key + l);
    BindThread(nullptr);
  }
  Windows* any = nullptr;
  for (std::uint32_t pid : d_.ProcessIds()) any = &d_.Process(pid)->windows();
  for (auto& [h, w] : d_.AllWindows()) {
    if (h == d_.DesktopHandle() || w.pid == 0) continue;  // the desktop and the shell's taskbar
    Rect r = any ? any->WindowRect(h) : w.rect;
    std::string parent = w.parent == d_.DesktopHandle() ? "desktop" : HexHandle(w.parent);
    lines.push_back("window." + HexHandle(h) + ": pid=" + std::to_string(w.pid) +
                    " class=" + Quoted(w.className) + " title=" + Quoted(w.title) +
                    " rect=" + std::to_string(r.left) + "," + std::to_string(r.top) + "," +
                    std::to_string(r.right) + "," + std::to_string(r.bottom) + " parent=" + parent +
                    (w.owner ? " owner=" + HexHandle(w.owner) : "") +
                    " visible=" + (w.visible ? "1" : "0"));
  }
  for (auto& [key, timer] : d_.Timers())
    lines.push_back("timer." + HexHandle(key.first) + "." + std::to_string(key.second) +
                    ": period=" + std::to_string(timer.period));
  for (size_t i = 0; i < d_.trayIcons.size(); ++i) {
    const TrayIcon& t = d_.trayIcons[i];
    std::string key = "shell.tray." + std::to_string(t.pid) + "." + std::to_string(t.data.id);
    unsigned icon = t.data.icon > 0x70000 ? static_cast<unsigned>(t.data.icon - 0x70000) : 0;
    lines.push_back(key + ".icon: " + std::to_string(icon));
    lines.push_back(key + ".tip: " + Quoted(t.data.tip));
  }
  int n = 0;
  for (auto& [k, v] :
       d_.profile().SectionEntries(L"C:\\Program Files\\Zephquill\\ZQConfig.ini", L"General"))
    lines.push_back("config.General." + Pad(++n, 3) + ": " + ToUtf8(k) + "=" + ToUtf8(v));
  n = 0;
  for (const std::string& r : d_.registry().Dump())
    lines.push_back("registry." + Pad(++n, 3) + ": " + r);
  n = 0;
  for (auto& s : d_.processStarts)
    lines.push_back("process_start." + Pad(++n, 3) + ": by " + std::to_string(s.byPid) + " " +
                    s.how + " " + Quoted(s.commandLine));
  for (auto& b : d_.Boxes())
    lines.push_back("message_box." + Pad(b.number, 3) + ": pid=" + std::to_string(b.pid) +
                    " style=" + std::to_string(b.style) + " caption=" + Quoted(b.caption) +
                    " text=" + Quoted(b.text) +
                    (b.answered ? " answer=" + std::to_string(b.answer) : " waiting"));
  n = 0;
  for (auto& a : d_.openedAddresses)
    lines.push_back("shell.opened." + Pad(++n, 3) + ": " + ToUtf8(a));
  for (const ScenarioExtension& e : Extensions())
    if (e.dump) e.dump(*this, lines);
  std::sort(lines.begin(), lines.end());
  return lines;
}

}  // namespace zq::sim
