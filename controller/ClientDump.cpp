// Turns the controller's flags and the tray icon's tooltip, picture and menu into stable
// "key: value" lines.
#include "controller/ClientDump.h"

#include <cstdio>

#include "app/ClientApp.h"
#include "app/ClientProcess.h"
#include "app/Text.h"
#include "controller/ClientDlg.h"
#include "controller/StatusDlg.h"

namespace zq {

namespace {

// The count and the identifiers in order; a long set shows its first ones.
std::string ShownIdsText(const std::set<std::int32_t>& ids) {
  constexpr size_t kListed = 20;
  std::string text = std::to_string(ids.size());
  size_t n = 0;
  for (std::int32_t id : ids) {
    if (n++ == kListed) {
      text += " ...";
      break;
    }
    text += " " + std::to_string(id);
  }
  return text;
}

}  // namespace

std::vector<std::string> DumpClientState() {
  std::vector<std::string> lines;
  Platform* p = CurrentPlatform();
  if (!p || !p->state()) return lines;
  auto& proc = static_cast<ClientProcess&>(*p->state());
  CClientApp* app = proc.App.get();
  lines.push_back(std::string("constants: ") + (proc.Consts ? "built" : "none"));
  if (CAppConsts* k = proc.Consts) {
    const std::pair<const char*, int> numbers[] = {{"FLT_WND_Y_OFFSET", k->FLT_WND_Y_OFFSET},
                                                   {"FLT_WND_X_OFFSET", k->FLT_WND_X_OFFSET},
                                                   {"FLT_WND_ICON_OFFSET", k->FLT_WND_ICON_OFFSET},
                                                   {"FLT_WND_X_PADDING", k->FLT_WND_X_PADDING},
                                                   {"FLT_WND_Y_PADDING", k->FLT_WND_Y_PADDING},
                                                   {"FLT_WND_MIN_HEIGHT", k->FLT_WND_MIN_HEIGHT},
                                                   {"FLT_WND_MIN_WIDTH", k->FLT_WND_MIN_WIDTH}};
    for (auto& [name, value] : numbers)
      lines.push_back(std::string("constants.") + name + ": " + std::to_string(value));
    lines.push_back("constants.MinFltWndURL: " + Quoted(k->MinFltWndURL));
    lines.push_back("constants.PollingURL: " + Quoted(k->PollingURL));
  }
  if (!app) return lines;
  CClientDlg* c = app->Controller;
  lines.push_back(std::string("controller: ") + (c ? "running" : "none"));
  if (!c) return lines;
  lines.push_back("enabled: " + std::to_string(c->Enabled ? 1 : 0));
  lines.push_back("connection_lost: " + std::to_string(c->ConnectionLost ? 1 : 0));
  lines.push_back("check_running: " + std::to_string(c->CheckRunning ? 1 : 0));
  lines.push_back("timer_idle: " + std::to_string(c->TimerIdle ? 1 : 0));
  lines.push_back("app_directory: " + Quoted(c->AppDirectory));
  const CSystemTray& tray = c->TrayIcon;
  lines.push_back("tray.icon: " + std::to_string(p->resources().IconId(tray.CurrentIcon())));
  lines.push_back("tray.tooltip: " + Quoted(tray.Tooltip()));
  lines.push_back(std::string("tray.shown: ") + (tray.IsHidden() ? "0" : "1"));
  lines.push_back("tray.default_item: " + std::to_string(tray.GetDefaultItem()) +
                  (tray.GetDefaultByPosition() ? " (position)" : " (command)"));
  if (const MenuItem* popup = tray.Popup()) {
    int n = 0;
    for (const MenuItem& entry : popup->popup) {
      char key[48];
      std::snprintf(key, sizeof key, "tray.menu.%02d: ", ++n);
      if (entry.separator) {
        lines.push_back(std::string(key) + "separator");
        continue;
      }
      std::string flags;
      if (entry.grayed) flags += " grayed";
      if (entry.checked) flags += " checked";
      if (entry.isDefault) flags += " default";
      lines.push_back(std::string(key) + std::to_string(entry.id) + " " + Quoted(entry.text) +
                      flags);
    }
  }
  if (!c->ShownContentIds.empty())
    lines.push_back("shown_content_ids: " + ShownIdsText(c->ShownContentIds));
  if (!c->StatusWindow || !c->StatusWindow->Hwnd()) {
    lines.push_back("status_window: none");
    return lines;
  }
  const std::wstring text = c->StatusText();
  lines.push_back(std::string("status_window: ") +
                  (p->windows().IsVisible(c->StatusWindow->Hwnd()) ? "shown" : "hidden") +
                  " chars=" + std::to_string(text.size()));
  // A long text shows its end, where the newest lines are.
  constexpr size_t kShownChars = 600;
  lines.push_back("status_window.text: " +
                  (text.size() > kShownChars
                       ? "..." + Quoted(text.substr(text.size() - kShownChars))
                       : Quoted(text)));
  return lines;
}

}  // namespace zq
