// The registry of panel windows kept on the application object: one record per followed
// browser window with the panel attached to it, and the floating service windows by title.
#pragma once
#include <memory>
#include <string>

#include "platform/types.h"

namespace zq {

class ZephquillWnd;

// A followed browser window, its attached panel and the address last loaded for it.
// Owned by the registry once stored; destroying it deletes the panel object (whose
// window, if it still exists, goes with it).
struct BrowserPanelRecord {
  BrowserPanelRecord();
  BrowserPanelRecord(WindowHandle browser, std::wstring siteUrl);
  ~BrowserPanelRecord();
  BrowserPanelRecord(const BrowserPanelRecord&) = delete;
  BrowserPanelRecord& operator=(const BrowserPanelRecord&) = delete;

  WindowHandle BrowserWindow = 0;
  std::unique_ptr<ZephquillWnd> Panel;  // none until attached
  std::wstring SiteURL;
  // The panel is an owned pop-up kept at the browser's corner, not a child window
  // (docs/panel-on-today-browsers.md).
  bool OwnedPopup = false;
};

// Every operation takes its registry's lock for its whole run and reports its own failure
// (fixed text and level) instead of raising it. They run on the main thread, except
// FindBrowserPanel, which any thread may call.

// The record of a browser window, or null (also for a null handle and after a failure).
// The record stays owned by the registry.
BrowserPanelRecord* FindBrowserPanel(WindowHandle browser);
// The panel attached to a browser window's record, or null; any thread. The pointer is read
// under the registry's lock, so a worker never touches a record the main thread may delete
// meanwhile; it is only good for IsRegisteredPanel before use.
ZephquillWnd* FindAttachedPanel(WindowHandle browser);
// Stores the record under the browser window and returns the record that the registry
// holds for it afterwards: the new one, or the one already stored (the new record is then
// deleted). Null after a failure, which also deletes the new record.
BrowserPanelRecord* StoreBrowserPanel(WindowHandle browser,
                                      std::unique_ptr<BrowserPanelRecord> record);
// Closes the panel of a browser window that is still a window (through the controller)
// and forgets its record. Nothing happens for a window without record or that is gone.
void ReleaseBrowserPanel(WindowHandle browser);
// Forgets the record whose panel is `panel` once that panel's window is gone (the
// controller calls it for UM_PANEL_DESTROYED). Only compares the pointer: a panel object
// that was already deleted may be passed.
void RemoveBrowserPanelOf(const ZephquillWnd* panel);
// True when `panel` is the panel of a registered record or a registered service window
// whose window still exists. For callers that hold a panel pointer across messages.
bool IsRegisteredPanel(const ZephquillWnd* panel);
// Focuses the open service window titled `title` ("%20" read as a blank), or opens a new
// floating panel with that title on `address`.
void OpenServiceWindow(const std::wstring& title, const std::wstring& address);
// Removes the panel's button from the taskbar; nothing for a null panel or one without
// a window.
void RemoveTaskbarButton(const ZephquillWnd* panel);

// Closing everything is CClientApp::CloseAllPanels (app/ClientApp.h), implemented with
// these operations in PanelRegistry.cpp.

}  // namespace zq
