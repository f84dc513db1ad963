// The panel registry's operations on the application object's map and array, the close of
// every panel at disable and exit, and the removal of a panel's taskbar button.
#include "app/PanelRegistry.h"

#include <functional>

#include "app/ClientApp.h"
#include "app/ControllerAccess.h"
#include "app/ErrorReport.h"
#include "app/Messages.h"
#include "panel/ZephquillWnd.h"

namespace zq {

BrowserPanelRecord::BrowserPanelRecord() = default;

BrowserPanelRecord::BrowserPanelRecord(WindowHandle browser, std::wstring siteUrl)
    : BrowserWindow(browser), SiteURL(std::move(siteUrl)) {}

BrowserPanelRecord::~BrowserPanelRecord() = default;

namespace {

CClientApp& TheApp() {
  CClientApp* app = App();
  ThrowIfNull(app);
  return *app;
}

bool WindowGone(const ZephquillWnd& panel) {
  WindowHandle window = panel.Hwnd();
  return window == 0 || !Plat().windows().IsWindow(window);
}

// Closes a record's panel window. The controller does it while it exists; after it is gone
// (the end of the process) the panel is closed directly.
void ClosePanelOf(BrowserPanelRecord& record) {
  Windows& w = Plat().windows();
  if (WindowHandle controller = ControllerWindow()) {
    w.Send(controller, UM_CLOSE_PANEL, reinterpret_cast<WParam>(&record), 0);
    return;
  }
  if (record.Panel && !WindowGone(*record.Panel)) w.Send(record.Panel->Hwnd(), wm::Close, 0, 0);
}

// A panel inside its own creation or its own WM_DESTROY (both wait for the hosts while
// handling messages) is neither deleted nor closed from under itself: it stays registered.
// One being made is asked to close, which it does once its creation has returned; then
// (as after a destroy) its UM_PANEL_DESTROYED removes the record.
bool KeptWhileBusy(ZephquillWnd* panel, const std::function<void()>& askToClose) {
  if (!panel || !(panel->Creating() || panel->Destroying())) return false;
  if (panel->Creating()) askToClose();
  return true;
}

std::wstring BlanksForEscapes(std::wstring title) {
  for (size_t at = title.find(L"%20"); at != std::wstring::npos; at = title.find(L"%20", at + 1))
    title.replace(at, 3, L" ");
  return title;
}

}  // namespace

BrowserPanelRecord* FindBrowserPanel(WindowHandle browser) {
  if (!browser) return nullptr;
  return GuardedOr<BrowserPanelRecord*>(
      nullptr, 1, L"Cannot find browser information", [&]() -> BrowserPanelRecord* {
        CClientApp& app = TheApp();
        LockGuard lock(*app.BrowserPanelsLock);
        auto it = app.BrowserPanels.find(browser);
        return it == app.BrowserPanels.end() ? nullptr : it->second.get();
      });
}

ZephquillWnd* FindAttachedPanel(WindowHandle browser) {
  if (!browser) return nullptr;
  return GuardedOr<ZephquillWnd*>(
      nullptr, 1, L"Cannot find browser information", [&]() -> ZephquillWnd* {
        CClientApp& app = TheApp();
        LockGuard lock(*app.BrowserPanelsLock);
        auto it = app.BrowserPanels.find(browser);
        return it == app.BrowserPanels.end() || !it->second ? nullptr : it->second->Panel.get();
      });
}

BrowserPanelRecord* StoreBrowserPanel(WindowHandle browser,
                                      std::unique_ptr<BrowserPanelRecord> record) {
  return GuardedOr<BrowserPanelRecord*>(
      nullptr, 1, L"Cannot store browser inforamtion", [&]() -> BrowserPanelRecord* {
        CClientApp& app = TheApp();
        LockGuard lock(*app.BrowserPanelsLock);
        auto it = app.BrowserPanels.find(browser);
        // The first record stays; a second one for the same window is not kept.
        if (it != app.BrowserPanels.end()) return it->second.get();
        if (!record) return nullptr;
        return app.BrowserPanels.emplace(browser, std::move(record)).first->second.get();
      });
}

void ReleaseBrowserPanel(WindowHandle browser) {
  Guarded(1, L"Cannot release dialog window", [&] {
    if (!browser || !Plat().windows().IsWindow(browser)) return;
    CClientApp& app = TheApp();
    LockGuard lock(*app.BrowserPanelsLock);
    auto it = app.BrowserPanels.find(browser);
    if (it == app.BrowserPanels.end()) return;
    BrowserPanelRecord* kept = it->second.get();
    if (kept && KeptWhileBusy(kept->Panel.get(), [&] { ClosePanelOf(*kept); })) return;
    std::unique_ptr<BrowserPanelRecord> record = std::move(it->second);
    app.BrowserPanels.erase(it);
    if (record) ClosePanelOf(*record);
  });
}

void RemoveBrowserPanelOf(const ZephquillWnd* panel) {
  if (!panel) return;
  Guarded(1, L"Cannot delete zephquill dialog window", [&] {
    CClientApp& app = TheApp();
    LockGuard lock(*app.BrowserPanelsLock);
    for (auto it = app.BrowserPanels.begin(); it != app.BrowserPanels.end(); ++it) {
      if (!it->second || it->second->Panel.get() != panel) continue;
      // The object was deleted already and a new panel took its address: that one still
      // has its window and stays.
      if (!WindowGone(*it->second->Panel)) return;
      std::unique_ptr<BrowserPanelRecord> record = std::move(it->second);
      app.BrowserPanels.erase(it);
      return;
    }
  });
}

bool IsRegisteredPanel(const ZephquillWnd* panel) {
  if (!panel) return false;
  return GuardedOr(false, 1, L"Cannot find browser information", [&] {
    CClientApp& app = TheApp();
    bool found = false;
    {
      LockGuard lock(*app.BrowserPanelsLock);
      for (auto& [browser, record] : app.BrowserPanels)
        if (record && record->Panel.get() == panel) found = !WindowGone(*record->Panel);
    }
    if (found) return true;
    LockGuard lock(*app.ServiceWindowsLock);
    for (auto& window : app.ServiceWindows)
      if (window.get() == panel) return !WindowGone(*window);
    return false;
  });
}

void OpenServiceWindow(const std::wstring& title, const std::wstring& address) {
  Guarded(0, L"Cannot create dialog window", [&] {
    const std::wstring wanted = BlanksForEscapes(title);
    CClientApp& app = TheApp();
    Windows& w = Plat().windows();
    LockGuard lock(*app.ServiceWindowsLock);
    for (auto& open : app.ServiceWindows) {
      if (!open || WindowGone(*open)) continue;
      if (w.Title(open->Hwnd()) == wanted) {
        w.SetFocus(open->Hwnd());
        return;
      }
    }
    // Registered before its window is made: creation may handle other messages meanwhile
    // (the hosts wait for their documents), and a second request for the same title must
    // find this window instead of making another.
    app.ServiceWindows.push_back(std::make_unique<ZephquillWnd>());
    ZephquillWnd* opened = app.ServiceWindows.back().get();
    auto forget = [&] {
      for (auto it = app.ServiceWindows.begin(); it != app.ServiceWindows.end(); ++it) {
        if (it->get() != opened) continue;
        app.ServiceWindows.erase(it);
        return;
      }
    };
    try {
      opened->CreateFloating(ControllerWindow(), wanted);
    } catch (...) {
      forget();  // a window that could not be made is not kept
      throw;
    }
    // Closed as soon as it was made (everything was closed during its creation).
    if (WindowGone(*opened)) return forget();
    opened->NavigatePanel(address);
    RemoveTaskbarButton(opened);
  });
}

void RemoveTaskbarButton(const ZephquillWnd* panel) {
  Guarded(1, L"Cannot remove window icon from the taskbar", [&] {
    if (!panel || WindowGone(*panel)) return;
    Plat().shell().RemoveTaskbarButton(panel->Hwnd());  // a refusal is not reported
  });
}

void CClientApp::CloseAllPanels() {
  Guarded(1, L"Cannot close all dialog window", [&] {
    Windows& w = Plat().windows();
    {
      LockGuard lock(*BrowserPanelsLock);
      // Taken out first, so that nothing reached during a close meets a half-closed record.
      auto records = std::move(BrowserPanels);
      BrowserPanels.clear();
      for (auto& [browser, record] : records) {
        BrowserPanelRecord* kept = record.get();
        if (kept && KeptWhileBusy(kept->Panel.get(), [&] { ClosePanelOf(*kept); })) {
          BrowserPanels.emplace(browser, std::move(record));
          continue;
        }
        if (record) ClosePanelOf(*record);
        record.reset();
      }
    }
    {
      LockGuard lock(*ServiceWindowsLock);
      auto windows = std::move(ServiceWindows);
      ServiceWindows.clear();
      for (auto& panel : windows) {
        // Kept, like a destroyed one, until the next close of everything (or, when it was
        // being made, until its creation has returned).
        ZephquillWnd* kept = panel.get();
        if (kept && !WindowGone(*kept) &&
            KeptWhileBusy(kept, [&] { w.Send(kept->Hwnd(), wm::Close, 0, 0); })) {
          ServiceWindows.push_back(std::move(panel));
          continue;
        }
        if (panel && !WindowGone(*panel)) w.Send(panel->Hwnd(), wm::Close, 0, 0);
        panel.reset();
      }
    }
  });
}

}  // namespace zq
