// The simulated desktop's shell: notification-area icons, opening addresses, taskbar
// buttons and the taskbar's place, recorded in the trace.
#include <algorithm>

#include "app/Text.h"
#include "platform/sim/sim_desktop.h"
#include "platform/sim/sim_window.h"

namespace zq::sim {

namespace {

class SimShell : public Shell {
 public:
  SimShell(Desktop& d, SimProcess& p) : d_(d), p_(p) {}
  bool NotifyIcon(unsigned action, const NotifyIconData& data) override {
    auto it = std::find_if(d_.trayIcons.begin(), d_.trayIcons.end(), [&](const TrayIcon& t) {
      return t.data.window == data.window && t.data.id == data.id;
    });
    std::string who =
        "process " + std::to_string(p_.pid()) + " tray icon " + std::to_string(data.id);
    switch (action) {
      case nim::Add:
        if (d_.failTrayAdds > 0) {
          --d_.failTrayAdds;
          d_.Trace(who + ": add refused by the shell");
          return false;
        }
        if (it != d_.trayIcons.end()) return false;
        d_.trayIcons.push_back({data, p_.pid()});
        d_.Trace(who + " added: " + Describe(data));
        return true;
      case nim::Modify:
        if (it == d_.trayIcons.end()) return false;
        if (data.flags & nim::FlagIcon) it->data.icon = data.icon;
        if (data.flags & nim::FlagTip) it->data.tip = data.tip;
        if (data.flags & nim::FlagMessage) it->data.callbackMessage = data.callbackMessage;
        d_.Trace(who + " modified: " + Describe(data));
        return true;
      case nim::Delete:
        if (it == d_.trayIcons.end()) return false;
        d_.trayIcons.erase(it);
        d_.Trace(who + " deleted");
        return true;
      default:
        return false;
    }
  }
  bool Open(const std::wstring& address) override {
    d_.openedAddresses.push_back(address);
    d_.Trace("process " + std::to_string(p_.pid()) +
             " opens in the default browser: " + ToUtf8(address));
    return true;
  }
  bool RemoveTaskbarButton(WindowHandle window) override {
    d_.Trace("process " + std::to_string(p_.pid()) + " removes the taskbar button of " +
             WindowLabel(d_, window));
    return true;
  }
  Rect TaskbarRect() override { return d_.taskbar; }
  Rect TrayRect() override {
    Rect t = d_.taskbar;
    return Rect{t.right - 130, t.top + 2, t.right - 2, t.bottom - 2};
  }

 private:
  std::string Describe(const NotifyIconData& data) {
    std::string s;
    if (data.flags & nim::FlagIcon)
      s += "icon " + std::to_string(data.icon > kSimIconBase ? data.icon - kSimIconBase : 0) + " ";
    if (data.flags & nim::FlagTip) s += "tip " + Quoted(data.tip) + " ";
    if (data.flags & nim::FlagMessage) s += "callback " + std::to_string(data.callbackMessage);
    while (!s.empty() && s.back() == ' ') s.pop_back();
    return s;
  }
  Desktop& d_;
  SimProcess& p_;
};

}  // namespace

std::unique_ptr<Shell> NewSimShell(Desktop& d, SimProcess& p) {
  return std::make_unique<SimShell>(d, p);
}

}  // namespace zq::sim
