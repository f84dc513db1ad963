// The notification-area icon: its record, picture, tooltip and popup menu, the hidden
// window that receives the shell's callbacks, the icon animation and hiding into the tray.
#pragma once
#include <cstdint>
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
  // Where commands go: the target window, else the application's main window.
  WindowHandle CommandTarget() const;

  // A mouse message on the icon (the low word of the callback's lParam): the right-button
  // menu, the double click's default command (or the status window with Control+Alt), the
  // left button's notice. Returns 1 when handled, 0 for another icon or no target.
  virtual LResult OnIconNotification(unsigned iconId, unsigned mouseMessage);

  // The icon animation: frames from icon resources, cycled on timer 4567 of the tray
  // window every periodMs for durationSeconds (0: until EndAnimation).
  bool LoadAnimationFrames(unsigned firstIconId, unsigned lastIconId);
  bool StartAnimation(unsigned periodMs, unsigned durationSeconds);
  bool NextAnimationFrame();
  bool EndAnimation();
  bool IsAnimating() const { return AnimationTimerId != 0; }
  const std::vector<IconHandle>& Frames() const { return AnimationFrames; }

  // Hides a window into the tray (out of the taskbar, under the shared parking window) and
  // brings it back, with the system's caption zoom when minimising is animated.
  static void HideWindowToTray(WindowHandle window);
  static void ShowWindowFromTray(WindowHandle window);
  // The notification area as the zoom's end: from the taskbar's windows, else from the
  // taskbar's position, else the bottom right corner of the work area.
  static Rect TrayAreaRect();

  // The popup shown by the icon (the first submenu of the menu), or none.
  MenuItem* Popup();
  const MenuItem* Popup() const;
  const std::wstring& Tooltip() const { return IconRecord.tip; }
  WindowHandle Window() const { return window_; }
  bool IsHidden() const { return Hidden; }
  bool IsRemoved() const { return Removed; }
  unsigned GetDefaultItem() const { return DefaultItem; }
  bool GetDefaultByPosition() const { return DefaultItemByPosition; }

  LResult OnMessage(WindowHandle window, unsigned message, WParam wParam, LParam lParam) override;

  // The 152-byte record as the shell receives it (little-endian), for the Windows backend
  // and for tests of its layout.
  static std::vector<unsigned char> Serialize(const NotifyIconData& data, unsigned flags);

 private:
  bool Modify(unsigned flags, bool& shown);
  void OnTaskbarCreated();
  void OnAnimationTick();
  void ApplyDefaultItem();
  LResult ShowMenu(WindowHandle target);
  LResult RunDefaultCommand(WindowHandle target);
  static std::wstring CutTooltip(const std::wstring& text);
  static size_t TooltipKeep(const std::wstring& text);
  static WindowHandle ParkingWindow(bool create);

  std::optional<Menu> TrayMenu;
  NotifyIconData IconRecord;
  bool Supported = false;
  bool Hidden = true;
  bool Removed = true;
  bool AddPending = false;
  WindowHandle TargetWindow = 0;
  std::vector<IconHandle> AnimationFrames;
  unsigned AnimationTimerId = 0;
  int CurrentFrame = 0;
  std::uint64_t AnimationStart = 0;  // Clock::TickMs when the animation began
  unsigned AnimationDuration = 0;    // seconds; 0 until stopped
  IconHandle SavedIcon = 0;
  unsigned DefaultItem = 0;
  bool DefaultItemByPosition = true;
  unsigned CreationFlags = 0;
  WindowHandle window_ = 0;
  unsigned taskbarCreated_ = 0;
  bool wantShown_ = false;  // added and not deleted since
  // The shell holds the record's picture and tooltip: set by a successful add or modify,
  // cleared by a failed one and by the delete.
  bool iconShown_ = false;
  bool tipShown_ = false;
};

}  // namespace zq
