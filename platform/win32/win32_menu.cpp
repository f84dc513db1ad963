// Menus for the Windows backend: system popup menus built from the portable item lists
// (for TrackPopupMenu) and portable item lists read from loaded menu resources.
#include "platform/win32/win32_backend.h"

namespace zq::win32 {

namespace {

UINT StateOf(const MenuItem& item) {
  UINT state = 0;
  if (item.grayed) state |= MFS_GRAYED;
  if (item.checked) state |= MFS_CHECKED;
  if (item.isDefault) state |= MFS_DEFAULT;
  return state;
}

bool Append(HMENU menu, const MenuItem& item) {
  MENUITEMINFOW info{};
  info.cbSize = sizeof info;
  info.fMask = MIIM_FTYPE | MIIM_STATE | MIIM_ID;
  UniqueMenu sub;
  std::wstring text = item.text;
  if (item.separator) {
    info.fType = MFT_SEPARATOR;
  } else {
    info.fType = MFT_STRING;
    info.fMask |= MIIM_STRING;
    info.dwTypeData = text.data();
    info.fState = StateOf(item);
    info.wID = item.id;
    if (!item.popup.empty()) {
      sub = BuildPopupMenu(item.popup);
      if (!sub) return false;
      info.fMask |= MIIM_SUBMENU;
      info.hSubMenu = sub.get();
    }
  }
  UINT position = static_cast<UINT>(::GetMenuItemCount(menu));
  if (!::InsertMenuItemW(menu, position, TRUE, &info)) return false;
  sub.release();  // the parent menu owns its submenu now
  return true;
}

std::wstring ItemText(HMENU menu, UINT position) {
  MENUITEMINFOW info{};
  info.cbSize = sizeof info;
  info.fMask = MIIM_STRING;
  if (!::GetMenuItemInfoW(menu, position, TRUE, &info) || info.cch == 0) return std::wstring();
  std::wstring text(info.cch + 1, L'\0');
  info.dwTypeData = text.data();
  info.cch = static_cast<UINT>(text.size());
  if (!::GetMenuItemInfoW(menu, position, TRUE, &info)) return std::wstring();
  text.resize(info.cch);
  return text;
}

}  // namespace

UniqueMenu BuildPopupMenu(const Menu& items) {
  UniqueMenu menu(::CreatePopupMenu());
  if (!menu) return menu;
  for (const MenuItem& item : items)
    if (!Append(menu.get(), item)) return UniqueMenu();
  return menu;
}

Menu ReadMenu(HMENU menu) {
  Menu items;
  int count = ::GetMenuItemCount(menu);
  for (int i = 0; i < count; ++i) {
    UINT position = static_cast<UINT>(i);
    MENUITEMINFOW info{};
    info.cbSize = sizeof info;
    info.fMask = MIIM_FTYPE | MIIM_STATE | MIIM_ID | MIIM_SUBMENU;
    if (!::GetMenuItemInfoW(menu, position, TRUE, &info)) continue;
    MenuItem item;
    if (info.fType & MFT_SEPARATOR) {
      item.separator = true;
    } else {
      item.text = ItemText(menu, position);
      item.grayed = (info.fState & MFS_GRAYED) != 0;
      item.checked = (info.fState & MFS_CHECKED) != 0;
      item.isDefault = (info.fState & MFS_DEFAULT) != 0;
      if (info.hSubMenu)
        item.popup = ReadMenu(info.hSubMenu);
      else
        item.id = info.wID;
    }
    items.push_back(std::move(item));
  }
  return items;
}

}  // namespace zq::win32
