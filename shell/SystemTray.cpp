// The notification-area icon: adding, changing and deleting it through the shell, the
// popup menu's default entry, and re-adding the icon when the taskbar comes back.
#include "shell/SystemTray.h"

#include <algorithm>

#include "app/ControllerAccess.h"
#include "app/Messages.h"

namespace zq {

CSystemTray::CSystemTray() = default;

CSystemTray::~CSystemTray() {
  if (!CurrentPlatform()) return;
  DeleteIcon();
  if (window_) Plat().windows().Destroy(window_);
  window_ = 0;
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
  size_t units = 0, keep = 0;
  for (; keep < text.size(); ++keep) {
    bool pair = sizeof(wchar_t) > 2 && static_cast<std::uint32_t>(text[keep]) >= 0x10000;
    size_t width = pair ? 2 : 1;
    if (units + width > MaxTooltipLength - 1) break;
    units += width;
  }
  return text.substr(0, keep);
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
  }
  return Removed;
}

bool CSystemTray::Notify(unsigned action) {
  if (Hidden) return true;
  return Plat().shell().NotifyIcon(action, IconRecord);
}

bool CSystemTray::ChangeIcon(IconHandle icon) {
  if (!Supported) return false;
  IconRecord.flags = nim::FlagIcon;
  IconRecord.icon = icon;
  return Notify(nim::Modify);
}

bool CSystemTray::ChangeIconResource(unsigned resourceId) {
  return ChangeIcon(Plat().resources().LoadIcon(resourceId));
}

IconHandle CSystemTray::CurrentIcon() const { return Supported ? IconRecord.icon : 0; }

bool CSystemTray::ChangeTooltip(const std::wstring& text) {
  if (!Supported) return false;
  IconRecord.flags = nim::FlagTip;
  IconRecord.tip = CutTooltip(text);
  return Notify(nim::Modify);
}

MenuItem* CSystemTray::Popup() {
  if (!TrayMenu || TrayMenu->empty() || TrayMenu->front().popup.empty()) return nullptr;
  return &TrayMenu->front();
}

const MenuItem* CSystemTray::Popup() const {
  return const_cast<CSystemTray*>(this)->Popup();
}

bool CSystemTray::SetDefaultMenuItem(unsigned item, bool byPosition) {
  if (DefaultItem == item && DefaultItemByPosition == byPosition) return true;
  DefaultItem = item;
  DefaultItemByPosition = byPosition;
  MenuItem* popup = Popup();
  if (!popup) return false;
  for (size_t i = 0; i < popup->popup.size(); ++i) {
    MenuItem& entry = popup->popup[i];
    entry.isDefault = byPosition ? (i == item) : (!entry.separator && entry.id == item);
  }
  return true;
}

WindowHandle CSystemTray::CommandTarget() const {
  return TargetWindow ? TargetWindow : ControllerWindow();
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
}

LResult CSystemTray::OnMessage(WindowHandle window, unsigned message, WParam wParam,
                               LParam lParam) {
  if (taskbarCreated_ != 0 && message == taskbarCreated_) {
    OnTaskbarCreated();
    return 0;
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
