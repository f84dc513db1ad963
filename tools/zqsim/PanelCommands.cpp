// Scenario commands for the client's panels (keys pressed on a panel, a service window
// opened by title) and the dump lines of every panel and of the panel registry.
#include <cstdio>
#include <ostream>
#include <string>
#include <vector>

#include "app/ClientApp.h"
#include "app/ClientProcess.h"
#include "app/CommandText.h"
#include "app/Messages.h"
#include "app/PanelRegistry.h"
#include "app/Text.h"
#include "controller/ClientDlg.h"
#include "panel/FrontWebBrowser.h"
#include "panel/ZephquillWnd.h"
#include "platform/sim/sim_desktop.h"
#include "platform/sim/sim_web_control.h"
#include "platform/sim/sim_window.h"
#include "tools/zqsim/Scenario.h"

namespace zq::sim {

namespace {

constexpr unsigned kSysKeyDown = 0x0104;
constexpr int kVkBack = 0x08, kVkTab = 0x09, kVkControl = 0x11, kVkMenu = 0x12, kVkEscape = 0x1B,
              kVkLeft = 0x25, kVkRight = 0x27, kVkF5 = 0x74;

std::string Hex(std::uintptr_t v) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "0x%06llx", static_cast<unsigned long long>(v));
  return buf;
}

std::string RectText(const Rect& r) {
  return std::to_string(r.left) + "," + std::to_string(r.top) + "," + std::to_string(r.right) +
         "," + std::to_string(r.bottom);
}

ClientProcess* ClientOf(SimProcess* p) {
  if (!p || p->ended || !p->state()) return nullptr;
  return static_cast<ClientProcess*>(p->state().get());
}

// Every panel object of a client with what it is: "browser", "service" or "hidden".
std::vector<std::pair<ZephquillWnd*, std::string>> Panels(CClientApp& app) {
  std::vector<std::pair<ZephquillWnd*, std::string>> panels;
  for (auto& [browser, record] : app.BrowserPanels)
    if (record && record->Panel) panels.emplace_back(record->Panel.get(), "browser");
  for (auto& window : app.ServiceWindows)
    if (window) panels.emplace_back(window.get(), "service");
  if (CClientDlg* c = app.Controller) {
    panels.emplace_back(&c->StartUsingWindow, "hidden");
    panels.emplace_back(&c->NotificationWindow, "hidden");
  }
  return panels;
}

// The live panel of process `p` whose window is `target` (0x...) or whose title it is;
// the newest match wins. 0 when none.
WindowHandle FindPanel(Desktop& d, SimProcess* p, const std::string& target) {
  ClientProcess* client = ClientOf(p);
  if (!client || !client->App) return 0;
  WindowHandle wanted = 0;
  if (target.size() > 2 && target[0] == '0' && (target[1] == 'x' || target[1] == 'X'))
    wanted = static_cast<WindowHandle>(std::strtoull(target.c_str() + 2, nullptr, 16));
  WindowHandle found = 0;
  for (auto& [panel, kind] : Panels(*client->App)) {
    WindowHandle h = panel->Hwnd();
    SimWindow* w = d.Window(h);
    if (!w) continue;
    if (wanted ? h == wanted : EqualsNoCase(w->title, FromUtf8(target))) found = h;
  }
  return found;
}

// Sees the key messages that reach a window without a handler of its own (the fake
// browsers' windows) and traces them; everything goes on to the default handling.
class KeyWitness : public WindowHandler {
 public:
  explicit KeyWitness(Desktop& d) : d_(d) {}
  LResult OnMessage(WindowHandle window, unsigned message, WParam wParam, LParam lParam) override {
    if (message >= wm::KeyFirst && message <= wm::KeyLast) {
      char text[96];
      std::snprintf(text, sizeof text, " receives key message 0x%04x with key 0x%02x", message,
                    static_cast<unsigned>(wParam));
      d_.Trace("window " + WindowLabel(d_, window) + text);
    }
    SimWindow* w = d_.Window(window);
    SimProcess* p = w ? d_.Process(w->pid) : nullptr;
    return p ? p->windows().DefaultProc(window, message, wParam, lParam) : 0;
  }

 private:
  Desktop& d_;
};

// The first word of `text`, a double-quoted word holding blanks included; `text` keeps
// what follows.
std::string TakeWord(std::string& text) {
  size_t b = text.find_first_not_of(" \t");
  if (b == std::string::npos) {
    text.clear();
    return "";
  }
  text = text.substr(b);
  size_t end;
  std::string word;
  if (text[0] == '"') {
    end = text.find('"', 1);
    if (end == std::string::npos) end = text.size();
    word = text.substr(1, end - 1);
    if (end < text.size()) ++end;
  } else {
    end = text.find_first_of(" \t");
    if (end == std::string::npos) end = text.size();
    word = text.substr(0, end);
  }
  text = text.substr(end);
  return word;
}

struct KeyPress {
  unsigned message = wm::KeyDown;
  int key = 0;
  std::vector<int> held;  // keys down while the message is handled
};

bool ParseKey(const std::string& word, KeyPress& press) {
  std::string w = ToUtf8(ToLower(FromUtf8(word)));
  if (w == "escape")
    press.key = kVkEscape;
  else if (w == "f5")
    press.key = kVkF5;
  else if (w == "backspace")
    press.key = kVkBack;
  else if (w == "alt-left" || w == "alt-right") {
    press.message = kSysKeyDown;
    press.key = w == "alt-left" ? kVkLeft : kVkRight;
    press.held.push_back(kVkMenu);
  } else if (w.rfind("ctrl-", 0) == 0 && w.size() > 5) {
    std::string k = w.substr(5);
    if (k == "tab")
      press.key = kVkTab;
    else if (k.size() == 1 && std::isalnum(static_cast<unsigned char>(k[0])))
      press.key = std::toupper(static_cast<unsigned char>(k[0]));
    else
      return false;
    press.held.push_back(kVkControl);
  } else if (!w.empty() && std::isdigit(static_cast<unsigned char>(w[0]))) {
    press.key = static_cast<int>(std::stoul(w, nullptr, 0));
  } else {
    return false;
  }
  press.held.push_back(press.key);
  return true;
}

// panel key PANEL KEY [PID] (PANEL: its title, quoted when it holds blanks, or 0xHANDLE): the key
// goes to the panel's page (its front host's control when it has one) as the user presses it, with
// the keys it needs held down meanwhile.
bool PressKey(Scenario& s, const std::string& line) {
  std::string rest = Scenario::RestAfter(line, 2);
  std::string name = TakeWord(rest);
  std::string key = TakeWord(rest);
  std::string pid = TakeWord(rest);
  KeyPress press;
  if (name.empty() || !ParseKey(key, press)) return false;
  Desktop& d = s.desktop();
  SimProcess* p = d.Process(s.Target({"panel", "key", pid}, pid.empty() ? 3 : 2));
  WindowHandle panel = FindPanel(d, p, name);
  if (!panel) {
    s.out() << "note: no panel " << name << "\n";
    return true;
  }
  WindowHandle target = panel;
  if (SimWebControlRecord* c = d.web().ControlIn(panel))
    if (d.Window(c->window)) target = c->window;
  // The browser window the panel forwards shortcuts to shows what it receives.
  BindThread(p);
  WindowHandle browser = 0;
  for (auto& [object, kind] : Panels(*ClientOf(p)->App))
    if (object->Hwnd() == panel) browser = object->BrowserWindow;
  BindThread(nullptr);
  KeyWitness witness(d);
  SimWindow* bw = d.Window(browser);
  bool watch = bw && !bw->handler;
  if (watch) bw->handler = &witness;
  for (int k : press.held) d.keysDown.insert(k);
  p->windows().Post(target, press.message, static_cast<WParam>(press.key), 0);
  d.SleepMs(0);
  d.SleepMs(0);
  for (int k : press.held) d.keysDown.erase(k);
  if (watch && (bw = d.Window(browser)) && bw->handler == &witness) bw->handler = nullptr;
  return true;
}

// panel open "TITLE" ADDRESS [PID]: a page asks for a service window, through the
// controller's hidden notification window (or the newest panel when it has none).
bool OpenByTitle(Scenario& s, const std::string& line) {
  std::string rest = Scenario::RestAfter(line, 2);
  std::string title = TakeWord(rest);
  std::string address = TakeWord(rest);
  std::string pid = TakeWord(rest);
  if (address.empty()) return false;
  Desktop& d = s.desktop();
  SimProcess* p = d.Process(s.Target({"panel", "open", pid}, pid.empty() ? 3 : 2));
  ClientProcess* client = ClientOf(p);
  WindowHandle via = 0;
  if (client && client->App) {
    if (CClientDlg* c = client->App->Controller) via = c->NotificationWindow.Hwnd();
    if (!d.Window(via))
      for (auto& [panel, kind] : Panels(*client->App))
        if (d.Window(panel->Hwnd())) via = panel->Hwnd();
  }
  if (!d.Window(via)) {
    s.out() << "note: the client has no panel to ask\n";
    return true;
  }
  WParam request = GiveText(FromUtf8(title + ";" + address));
  LParam ignored = GiveLParamText(L"");
  if (!p->windows().Post(via, UM_OPEN_FLOATING_PANEL, request, ignored)) {
    FreeText(request);
    FreeText(static_cast<WParam>(ignored));
  }
  d.SleepMs(0);
  return true;
}

bool Command(Scenario& s, const std::vector<std::string>& words, const std::string& line,
             bool& ok) {
  if (words.size() < 2 || words[0] != "panel") return false;
  if (words[1] == "key") {
    ok = PressKey(s, line);
    return true;
  }
  if (words[1] == "open" && words.size() >= 4) {
    ok = OpenByTitle(s, line);
    return true;
  }
  return false;
}

void DumpPanel(Desktop& d, const std::string& key, ZephquillWnd& panel, const std::string& kind,
               std::vector<std::string>& lines) {
  WindowHandle h = panel.Hwnd();
  SimWindow* w = d.Window(h);
  lines.push_back(key + "kind: " + kind + (panel.Attached ? " attached" : " floating"));
  lines.push_back(key + "window: " + (w ? Hex(h) : std::string("none")));
  lines.push_back(key + "browser_window: " + Hex(panel.BrowserWindow));
  if (w) {
    lines.push_back(key + "title: " + Quoted(w->title));
    lines.push_back(key + "rect: " + RectText(d.Process(w->pid)->windows().WindowRect(h)));
    lines.push_back(key + "region_bands: " + std::to_string(w->region.size()));
  }
  lines.push_back(key + "size: " + std::to_string(panel.PanelWidth) + "x" +
                  std::to_string(panel.PanelHeight));
  lines.push_back(key + "slide_state: " + std::to_string(panel.SlideState.load()));
  lines.push_back(key + "size_modes: " + std::to_string(panel.WidthMode) + "," +
                  std::to_string(panel.HeightMode));
  lines.push_back(key + "alpha: " + std::to_string(panel.Alpha));
  lines.push_back(key + "base_url: " + Quoted(panel.BaseUrl));
  SimWebControlRecord* c =
      panel.FrontBrowser ? d.web().ControlIn(panel.FrontBrowser->Hwnd()) : nullptr;
  int n = 0;
  if (c && panel.FrontBrowser->Hwnd()) {
    for (const SimNavigation& nav : c->navigations) {
      if (nav.by != "client") continue;
      char number[16];
      std::snprintf(number, sizeof number, "%03d", ++n);
      lines.push_back(key + "loaded." + number + ": " + ToUtf8(nav.url));
    }
  }
}

void Dump(Scenario& s, std::vector<std::string>& lines) {
  Desktop& d = s.desktop();
  for (std::uint32_t pid : d.ProcessIds()) {
    ClientProcess* client = ClientOf(d.Process(pid));
    if (!client || !client->App) continue;
    CClientApp& app = *client->App;
    BindThread(d.Process(pid));
    std::string base = "panels." + std::to_string(pid) + ".";
    int n = 0;
    for (auto& [browser, record] : app.BrowserPanels) {
      char number[16];
      std::snprintf(number, sizeof number, "%02d", ++n);
      std::string key = base + "registry.browser." + number + ": ";
      std::string panel = record && record->Panel ? Hex(record->Panel->Hwnd()) : "none";
      lines.push_back(key + Hex(browser) + " panel=" + panel +
                      " site=" + Quoted(record ? record->SiteURL : L""));
    }
    n = 0;
    for (auto& window : app.ServiceWindows) {
      char number[16];
      std::snprintf(number, sizeof number, "%02d", ++n);
      bool live = window && d.Window(window->Hwnd());
      lines.push_back(base + "registry.service." + number + ": " +
                      (live ? Hex(window->Hwnd()) + " " + Quoted(d.Window(window->Hwnd())->title)
                            : std::string("closed")));
    }
    for (auto& [panel, kind] : Panels(app)) {
      if (!d.Window(panel->Hwnd()) && kind != "browser") continue;
      std::string key = base + "panel." + Hex(panel->Hwnd()) + ".";
      DumpPanel(d, key, *panel, kind, lines);
    }
    BindThread(nullptr);
  }
}

const int kRegistered = RegisterScenarioExtension({&Command, &Dump});

}  // namespace

}  // namespace zq::sim
