// How a panel that is an owned pop-up keeps to its browser: it follows the browser's window
// events (moves, minimise, restore, the window in front) at once rather than at the tick.
#include "app/ErrorReport.h"
#include "panel/ZephquillWnd.h"

namespace zq {

namespace {
// Owners walked up from a window in front before it counts as another program's.
constexpr int kOwnerDepth = 8;
}  // namespace

void ZephquillWnd::StopWindowEvents() {
  if (!events_ || !CurrentPlatform()) return;
  Plat().windowEvents().Unsubscribe(events_);
  events_ = 0;
}

void ZephquillWnd::ShowPopup(bool show) {
  WindowHandle self = hwnd_;
  if (!self) return;
  Windows& w = Plat().windows();
  if (w.IsVisible(self) != show) w.Show(self, show ? sw::ShowNoActivate : sw::Hide);
}

bool ZephquillWnd::OfBrowser(WindowHandle window) const {
  Windows& w = Plat().windows();
  for (int depth = 0; window && depth < kOwnerDepth; ++depth) {
    if (window == BrowserWindow || window == hwnd_) return true;
    window = w.Parent(window);  // a pop-up's owner
  }
  return false;
}

bool ZephquillWnd::Covers(WindowHandle window) const {
  Windows& w = Plat().windows();
  if (!window || !w.IsVisible(window)) return false;
  Rect other = w.WindowRect(window), own = w.WindowRect(hwnd_);
  bool overlaps = other.left < own.right && own.left < other.right && other.top < own.bottom &&
                  own.top < other.bottom;
  if (!overlaps) return false;
  // Above the browser in the z-order (the desktop's own window stays below everything).
  for (WindowHandle h = w.FirstChild(0); h; h = w.NextSibling(h)) {
    if (h == window) return true;
    if (h == BrowserWindow) return false;
  }
  return false;
}

void ZephquillWnd::OnWindowEvent(WindowEvent event, WindowHandle window) {
  if (!popup_ || !hwnd_ || destroying_) return;
  Quietly([&] {
    Windows& w = Plat().windows();
    if (!w.IsWindow(BrowserWindow)) return;
    const bool minimised = w.IsIconic(BrowserWindow);
    switch (event) {
      case WindowEvent::Location:
        // A minimised window stands far off the screen: nothing to follow there.
        if (!minimised) OnSize();
        return;
      case WindowEvent::MinimizeStart:
        ShowPopup(false);
        return;
      case WindowEvent::MinimizeEnd:
        OnSize();
        ShowPopup(w.IsVisible(BrowserWindow));
        return;
      case WindowEvent::Foreground:
        if (OfBrowser(window))
          ShowPopup(!minimised && w.IsVisible(BrowserWindow));
        else if (Covers(window))
          ShowPopup(false);
        return;
    }
  });
}

void ZephquillWnd::BrowserInFront() {
  if (!popup_ || !hwnd_ || destroying_) return;
  Quietly([&] {
    Windows& w = Plat().windows();
    if (!w.IsIconic(BrowserWindow)) ShowPopup(true);
  });
}

}  // namespace zq
