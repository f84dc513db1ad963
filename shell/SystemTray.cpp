// The notification-area icon: adding, changing and deleting it through the shell, the
// popup menu and its default entry, the mouse on the icon, the icon animation, hiding a
// window into the tray, and re-adding the icon when the taskbar comes back.
#include "shell/SystemTray.h"

#include <algorithm>

#include "app/ControllerAccess.h"
#include "app/ErrorReport.h"
#include "app/Messages.h"

namespace zq {

namespace {

constexpr int kVkControl = 0x11;
constexpr int kVkMenu = 0x12;  // Alt
constexpr const wchar_t* kParkingClass = L"ZQTrayParkingWindow";

}  // namespace

CSystemTray::CSystemTray() = default;

CSystemTray::~CSystemTray() {
  if (!CurrentPlatform()) return;
  DeleteIcon();
  AnimationFrames.clear();
  if (window_) Plat().windows().Destroy(window_);
  window_ = 0;
  AnimationTimerId = 0;
  TrayMenu.reset();
}

namespace {

// The text as UTF-16 units, whatever the width of wchar_t.
std::u16string Utf16Units(const std::wstring& text) {
  std::u16string units;
  for (wchar_t c : text) {
    auto code = static_cast<std::uint32_t>(c);
    if (sizeof(wchar_t) > 2 && code >= 0x10000) {
      code -= 0x10000;
      units += static_cast<char16_t>(0xD800 + (code >> 10));
      units += static_cast<char16_t>(0xDC00 + (code & 0x3FF));
    } else {
      units += static_cast<char16_t>(code);
    }
  }
  return units;
}

}  // namespace

// At most MaxTooltipLength - 1 UTF-16 units; where wchar_t is wider, a character that
// would not fit whole is left out.
std::wstring CSystemTray::CutTooltip(const std::wstring& text) {
  return text.substr(0, TooltipKeep(text));
}

// How many characters of the text the record takes.
size_t CSystemTray::TooltipKeep(const std::wstring& text) {
  size_t units = 0, keep = 0;
  for (; keep < text.size(); ++keep) {
    std::uint32_t code = static_cast<std::uint32_t>(text[keep]);
    bool pair = sizeof(wchar_t) > 2 && code >= 0x10000;
    size_t width = pair ? 2 : 1;
    if (units + width > MaxTooltipLength - 1) break;
    units += width;
  }
  return keep;
}

bool CSystemTray::AddIcon(WindowHandle parent, unsigned callbackMessage,
                          const std::wstring& tooltip, IconHandle icon, unsigned iconId,
                          bool hidden) {
  Platform& p = Plat();
  Supported = p.system().MajorVersion() >= 4;
  if (!Supported) return false;
  if (!window_) {
    WindowSpec desc;
    desc.className = L"ZQTrayIconWindow";
    desc.style = ws::Popup;
    desc.handler = this;
    window_ = p.windows().Create(desc);
    taskbarCreated_ = p.windows().RegisterMessage(TASKBAR_CREATED_MESSAGE_NAME);
  }
  IconRecord.window = (parent && p.windows().IsWindow(parent)) ? parent : window_;
  IconRecord.icon = icon;
  IconRecord.id = iconId;
  IconRecord.flags = nim::FlagMessage | nim::FlagIcon | nim::FlagTip;
  IconRecord.callbackMessage = callbackMessage;
  IconRecord.tip = CutTooltip(tooltip);
  TrayMenu = p.resources().LoadMenu(iconId);
  if (!TrayMenu) return false;
  CreationFlags = IconRecord.flags;
  Hidden = hidden;
  wantShown_ = !hidden;
  if (hidden) return true;
  bool added = p.shell().NotifyIcon(nim::Add, IconRecord);
  Removed = Hidden = AddPending = !added;
  iconShown_ = tipShown_ = added;
  return added;
}

bool CSystemTray::DeleteIcon() {
  AddPending = false;
  wantShown_ = false;
  if (!Supported || Removed) return true;
  IconRecord.flags = 0;
  if (Plat().shell().NotifyIcon(nim::Delete, IconRecord)) {
    Hidden = true;
    Removed = true;
    iconShown_ = tipShown_ = false;
  }
  return Removed;
}

// A modify of what `flags` names; `shown` then tells whether the shell holds it.
bool CSystemTray::Modify(unsigned flags, bool& shown) {
  IconRecord.flags = flags;
  if (Hidden) return true;
  shown = Plat().shell().NotifyIcon(nim::Modify, IconRecord);
  return shown;
}

// What the shell already shows is not sent again: each send crosses to the shell's process.
bool CSystemTray::ChangeIcon(IconHandle icon) {
  if (!Supported) return false;
  if (!Hidden && iconShown_ && IconRecord.icon == icon) return true;
  IconRecord.icon = icon;
  return Modify(nim::FlagIcon, iconShown_);
}

bool CSystemTray::ChangeIconResource(unsigned resourceId) {
  return ChangeIcon(Plat().resources().LoadIcon(resourceId));
}

IconHandle CSystemTray::CurrentIcon() const { return Supported ? IconRecord.icon : 0; }

bool CSystemTray::ChangeTooltip(const std::wstring& text) {
  if (!Supported) return false;
  size_t keep = TooltipKeep(text);
  bool same = IconRecord.tip.size() == keep && text.compare(0, keep, IconRecord.tip) == 0;
  if (!Hidden && tipShown_ && same) return true;
  if (!same) IconRecord.tip.assign(text, 0, keep);
  return Modify(nim::FlagTip, tipShown_);
}

MenuItem* CSystemTray::Popup() {
  if (!TrayMenu || TrayMenu->empty() || TrayMenu->front().popup.empty()) return nullptr;
  return &TrayMenu->front();
}

const MenuItem* CSystemTray::Popup() const { return const_cast<CSystemTray*>(this)->Popup(); }

bool CSystemTray::SetDefaultMenuItem(unsigned item, bool byPosition) {
  if (DefaultItem == item && DefaultItemByPosition == byPosition) return true;
  DefaultItem = item;
  DefaultItemByPosition = byPosition;
  if (!Popup()) return false;
  ApplyDefaultItem();
  return true;
}

void CSystemTray::ApplyDefaultItem() {
  MenuItem* popup = Popup();
  if (!popup) return;
  for (size_t i = 0; i < popup->popup.size(); ++i) {
    MenuItem& entry = popup->popup[i];
    entry.isDefault =
        DefaultItemByPosition ? (i == DefaultItem) : (!entry.separator && entry.id == DefaultItem);
  }
}

WindowHandle CSystemTray::CommandTarget() const {
  return TargetWindow ? TargetWindow : ControllerWindow();
}

// ---------------------------------------------------------------------------------------
// The mouse on the icon

LResult CSystemTray::OnIconNotification(unsigned iconId, unsigned mouseMessage) {
  if (iconId != IconRecord.id) return 0;
  WindowHandle target = CommandTarget();
  Windows& w = Plat().windows();
  if (!target || !w.IsWindow(target)) return 0;
  switch (mouseMessage) {
    case wm::RButtonUp:
      return ShowMenu(target);
    case wm::LButtonDblClk:
      if (w.KeyDown(kVkControl) && w.KeyDown(kVkMenu)) {
        w.Send(target, UM_SHOW_STATUS_WINDOW, 0, 0);
        return 1;
      }
      return RunDefaultCommand(target);
    case wm::LButtonDown:
      w.Send(target, UM_TRAY_ICON_CONTROL, TRAY_ACTION_LEFT_CLICK, 0);
      return 1;
    default:
      return 1;
  }
}

// The popup at the cursor, owned by the target so that the chosen command reaches it as
// WM_COMMAND; the WM_NULL afterwards lets the menu close when the user clicks elsewhere.
LResult CSystemTray::ShowMenu(WindowHandle target) {
  if (!Popup()) return 0;
  ApplyDefaultItem();
  Windows& w = Plat().windows();
  Point at = w.CursorPos();
  w.SetForeground(target);
  const Menu shown = Popup()->popup;  // the target may change the menu while it is open
  w.TrackPopupMenu(shown, 0, at, target);
  w.Post(target, wm::Null, 0, 0);
  return 1;
}

// The default entry's command: the stored id, or the id at the stored position read the
// way GetMenuItemID reads it (0 for a separator, all bits set for no entry or a submenu).
LResult CSystemTray::RunDefaultCommand(WindowHandle target) {
  unsigned command = DefaultItem;
  if (DefaultItemByPosition) {
    const MenuItem* popup = Popup();
    if (!popup) return 0;
    command = ~0u;
    if (DefaultItem < popup->popup.size()) {
      const MenuItem& entry = popup->popup[DefaultItem];
      if (entry.popup.empty()) command = entry.separator ? 0 : entry.id;
    }
  }
  Windows& w = Plat().windows();
  w.SetForeground(target);
  w.Send(target, wm::Command, command, 0);
  return 1;
}

// ---------------------------------------------------------------------------------------
// Animation

bool CSystemTray::LoadAnimationFrames(unsigned firstIconId, unsigned lastIconId) {
  if (firstIconId > lastIconId) return false;
  return GuardedOr(false, 0, L"Cannot load the tray icon's animation", [&] {
    AnimationFrames.clear();
    try {
      Resources& r = Plat().resources();
      for (unsigned id = firstIconId;; ++id) {
        AnimationFrames.push_back(r.LoadIcon(id));  // a missing picture is an empty frame
        if (id == lastIconId) break;
      }
    } catch (...) {
      AnimationFrames.clear();
      throw;
    }
    return true;
  });
}

bool CSystemTray::StartAnimation(unsigned periodMs, unsigned durationSeconds) {
  EndAnimation();
  CurrentFrame = 0;
  AnimationStart = Plat().clock().TickMs();
  AnimationDuration = durationSeconds;
  SavedIcon = CurrentIcon();
  if (!window_ || !Plat().windows().SetTimer(window_, TRAY_ANIMATION_TIMER_ID, periodMs))
    return false;
  AnimationTimerId = TRAY_ANIMATION_TIMER_ID;
  return true;
}

bool CSystemTray::NextAnimationFrame() {
  if (AnimationFrames.empty()) return false;
  if (++CurrentFrame >= static_cast<int>(AnimationFrames.size())) CurrentFrame = 0;
  return ChangeIcon(AnimationFrames[CurrentFrame]);
}

bool CSystemTray::EndAnimation() {
  bool killed = false;
  if (AnimationTimerId != 0) {
    killed = window_ && Plat().windows().KillTimer(window_, AnimationTimerId);
    AnimationTimerId = 0;
  }
  if (SavedIcon) {
    ChangeIcon(SavedIcon);
    SavedIcon = 0;
  }
  return killed;
}

// Elapsed time in whole seconds, rounded to the nearest; the animation ends on the first
// tick that finds it beyond the duration.
void CSystemTray::OnAnimationTick() {
  if (AnimationTimerId == 0) return;
  std::uint64_t elapsedMs = Plat().clock().TickMs() - AnimationStart;
  std::uint64_t elapsed = (elapsedMs + 500) / 1000;
  if (AnimationDuration > 0 && elapsed > AnimationDuration)
    EndAnimation();
  else
    NextAnimationFrame();
}

// ---------------------------------------------------------------------------------------
// Hiding a window into the tray

namespace {

// EnumChildWindows' order: every descendant, depth first, topmost first. Stops when
// `visit` returns false; returns false then.
template <class F>
bool WalkDescendants(Windows& w, WindowHandle parent, F& visit) {
  for (WindowHandle child = w.FirstChild(parent); child; child = w.NextSibling(child)) {
    if (!visit(child)) return false;
    if (!WalkDescendants(w, child, visit)) return false;
  }
  return true;
}

}  // namespace

Rect CSystemTray::TrayAreaRect() {
  Platform& p = Plat();
  Windows& w = p.windows();
  if (WindowHandle tray = w.FindWindow(0, 0, L"Shell_TrayWnd", L"")) {
    Rect r = w.WindowRect(tray);
    auto visit = [&](WindowHandle child) {
      std::wstring cls = w.ClassName(child);
      if (cls == L"TrayNotifyWnd") {
        r = w.WindowRect(child);
      } else if (cls == L"TrayClockWClass") {
        Rect clock = w.WindowRect(child);
        if (clock.bottom >= r.bottom - 5)
          r.right = clock.left;
        else
          r.top = clock.bottom;
        return false;
      }
      return true;
    };
    WalkDescendants(w, tray, visit);
    return r;
  }
  // The taskbar's position: a side taskbar is taller than wide.
  Rect bar = p.shell().TaskbarRect();
  if (!bar.IsEmpty()) {
    if (bar.Height() > bar.Width())
      return Rect{bar.left, bar.bottom - 100, bar.right, bar.bottom - 16};
    return Rect{bar.right - 100, bar.top, bar.right - 16, bar.bottom};
  }
  Rect area = w.WorkArea();
  area.left = area.right - 150;
  area.top = area.bottom - 30;
  return area;
}

// The one parking window of the calling thread's process, found by its class among the
// top-level windows of the calling thread.
WindowHandle CSystemTray::ParkingWindow(bool create) {
  Platform& p = Plat();
  Windows& w = p.windows();
  std::uint32_t me = p.threads().CurrentThreadId();
  for (WindowHandle h = w.FindWindow(0, 0, kParkingClass, L""); h;
       h = w.FindWindow(0, h, kParkingClass, L""))
    if (w.ThreadOf(h) == me) return h;
  if (!create) return 0;
  WindowSpec desc;
  desc.className = kParkingClass;
  desc.style = ws::Popup;
  return w.Create(desc);
}

void CSystemTray::HideWindowToTray(WindowHandle window) {
  Windows& w = Plat().windows();
  if (!w.IsWindow(window)) return;
  if (w.MinimizeAnimation()) w.ZoomRects(window, w.WindowRect(window), TrayAreaRect());
  WindowHandle parking = ParkingWindow(true);
  if (!parking) return;
  w.SetParent(window, parking);  // off the taskbar
  w.SetStyle(window, w.Style(window) & ~ws::Visible);
}

void CSystemTray::ShowWindowFromTray(WindowHandle window) {
  Windows& w = Plat().windows();
  if (!w.IsWindow(window)) return;
  w.SetParent(window, 0);
  if (w.MinimizeAnimation()) w.ZoomRects(window, TrayAreaRect(), w.WindowRect(window));
  w.SetStyle(window, w.Style(window) | ws::Visible);
  w.Redraw(window, rdw::Frame | rdw::Erase | rdw::Invalidate | rdw::AllChildren | rdw::UpdateNow);
  if (WindowHandle parking = ParkingWindow(false)) w.SetActiveWindow(parking);
  w.SetActiveWindow(window);
  w.SetForeground(window);
}

// A new taskbar has no icons: add ours again whenever it should be showing, also when an
// earlier add failed, so that the icon survives the shell restarting.
void CSystemTray::OnTaskbarCreated() {
  if (!Supported || !wantShown_) return;
  unsigned flags = IconRecord.flags;
  IconRecord.flags = CreationFlags;
  bool added = Plat().shell().NotifyIcon(nim::Add, IconRecord);
  IconRecord.flags = flags;
  Removed = Hidden = AddPending = !added;
  iconShown_ = tipShown_ = added;
}

LResult CSystemTray::OnMessage(WindowHandle window, unsigned message, WParam wParam,
                               LParam lParam) {
  if (taskbarCreated_ != 0 && message == taskbarCreated_) {
    Guarded(0, L"Cannot add the tray icon again", [&] { OnTaskbarCreated(); });
    return 0;
  }
  if (message == wm::Timer) {
    if (wParam == TRAY_ANIMATION_TIMER_ID)
      Guarded(0, L"Cannot animate the tray icon", [&] { OnAnimationTick(); });
    return 0;
  }
  if (IconRecord.callbackMessage != 0 && message == IconRecord.callbackMessage) {
    return GuardedOr<LResult>(0, 0, L"Cannot handle the mouse on the tray icon", [&] {
      return OnIconNotification(static_cast<unsigned>(wParam),
                                static_cast<unsigned>(lParam & 0xFFFF));
    });
  }
  return Plat().windows().DefaultProc(window, message, wParam, lParam);
}

std::vector<unsigned char> CSystemTray::Serialize(const NotifyIconData& data, unsigned flags) {
  std::vector<unsigned char> out(RecordSize, 0);
  auto put32 = [&out](size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) out[at + i] = static_cast<unsigned char>(v >> (8 * i));
  };
  put32(0, RecordSize);
  put32(4, static_cast<std::uint32_t>(data.window));
  put32(8, data.id);
  put32(12, flags);
  put32(16, data.callbackMessage);
  put32(20, static_cast<std::uint32_t>(data.icon));
  std::u16string tip = Utf16Units(data.tip);
  tip.resize(std::min<size_t>(tip.size(), MaxTooltipLength - 1));
  for (size_t i = 0; i < tip.size(); ++i) {
    auto unit = static_cast<std::uint16_t>(tip[i]);
    out[24 + 2 * i] = static_cast<unsigned char>(unit & 0xFF);
    out[25 + 2 * i] = static_cast<unsigned char>(unit >> 8);
  }
  return out;
}

}  // namespace zq
