// The notification-area icon: its record, picture, tooltip and popup menu, and the hidden
// window that receives the shell's callbacks.
#pragma once
#include <optional>
#include <string>
#include <vector>

#include "platform/platform.h"

namespace zq {

class CSystemTray : public WindowHandler {
 public:
  static constexpr unsigned MaxTooltipLength = 64;  // UTF-16 units, terminator included
  static constexpr unsigned RecordSize = 152;       // the shell's first record version

  CSystemTray();
  ~CSystemTray() override;
  CSystemTray(const CSystemTray&) = delete;
  CSystemTray& operator=(const CSystemTray&) = delete;

  bool AddIcon(WindowHandle parent, unsigned callbackMessage, const std::wstring& tooltip,
               IconHandle icon, unsigned iconId, bool hidden);
  bool DeleteIcon();
  bool ChangeIcon(IconHandle icon);
  bool ChangeIconResource(unsigned resourceId);
  IconHandle CurrentIcon() const;
  bool ChangeTooltip(const std::wstring& text);
  bool SetDefaultMenuItem(unsigned item, bool byPosition);
  void SetTargetWindow(WindowHandle target) { TargetWindow = target; }
  WindowHandle CommandTarget() const;

  // The popup shown by the icon (the first submenu of the menu), or none.
  MenuItem* Popup();
  const MenuItem* Popup() const;
  const std::wstring& Tooltip() const { return IconRecord.tip; }
  WindowHandle Window() const { return window_; }
  bool IsHidden() const { return Hidden; }
  bool IsRemoved() const { return Removed; }
  unsigned GetDefaultItem() const { return DefaultItem; }
  bool GetDefaultByPosition() const { return DefaultItemByPosition; }

  LResult OnMessage(WindowHandle window, unsigned message, WParam wParam,
                    LParam lParam) override;

  // The 152-byte record as the shell receives it (little-endian), for the Windows backend
  // and for tests of its layout.
  static std::vector<unsigned char> Serialize(const NotifyIconData& data, unsigned flags);

 private:
  bool Notify(unsigned action);
  void OnTaskbarCreated();
  static std::wstring CutTooltip(const std::wstring& text);

  std::optional<Menu> TrayMenu;
  NotifyIconData IconRecord;
  bool Supported = false;
  bool Hidden = true;
  bool Removed = true;
  bool AddPending = false;
  WindowHandle TargetWindow = 0;
  unsigned DefaultItem = 0;
  bool DefaultItemByPosition = true;
  unsigned CreationFlags = 0;
  WindowHandle window_ = 0;
  unsigned taskbarCreated_ = 0;
  bool wantShown_ = false;  // added and not deleted since
};

}  // namespace zq
