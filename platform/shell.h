// The shell seam: the notification-area icon, opening addresses and the taskbar.
#pragma once
#include <cstdint>
#include <string>

#include "platform/types.h"

namespace zq {

// The fields of the shell's notification-icon record that the client uses.
struct NotifyIconData {
  WindowHandle window = 0;
  unsigned id = 0;
  unsigned flags = 0;  // 1 message, 2 icon, 4 tooltip
  unsigned callbackMessage = 0;
  IconHandle icon = 0;
  std::wstring tip;  // at most 63 characters
};

namespace nim {
constexpr unsigned Add = 0, Modify = 1, Delete = 2;
constexpr unsigned FlagMessage = 1, FlagIcon = 2, FlagTip = 4;
}  // namespace nim

class Shell {
 public:
  virtual ~Shell() = default;
  virtual bool NotifyIcon(unsigned action, const NotifyIconData& data) = 0;
  // ShellExecuteW with the "open" verb; true when it started.
  virtual bool Open(const std::wstring& address) = 0;
  virtual bool RemoveTaskbarButton(WindowHandle window) = 0;
  virtual Rect TaskbarRect() = 0;
  virtual Rect TrayRect() = 0;  // the notification area, empty when unknown
};

}  // namespace zq
