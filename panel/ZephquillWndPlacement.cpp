// The panel's placement: size requests, the attached panel's corner and slide, the move to
// the right side, the remembered rectangle of floating panels, transparency and regions.
#include <algorithm>

#include "app/AppConsts.h"
#include "app/ClientApp.h"
#include "app/ControllerAccess.h"
#include "app/ErrorReport.h"
#include "app/Messages.h"
#include "controller/ClientDlg.h"
#include "panel/FrontWebBrowser.h"
#include "panel/WebBrowser.h"
#include "panel/ZephquillWnd.h"

namespace zq {

namespace {
constexpr unsigned kLayeredAlpha = 2;
}  // namespace

PanelGeometry ZephquillWnd::Geometry() const { return PanelGeometry(GetAppConsts()); }

int ZephquillWnd::ComputePanelWidth(int requested, const Rect& reference) const {
  return Geometry().Width(WidthMode, requested, reference);
}

int ZephquillWnd::ComputePanelHeight(int requested, const Rect& reference) const {
  return Geometry().Height(HeightMode, requested, reference);
}

int ZephquillWnd::ComputePanelLeft(const Rect& reference) const {
  return Geometry().Left(SlideState, reference, PanelWidth);
}

int ZephquillWnd::ComputePanelTop(const Rect& reference) const {
  return Geometry().Top(reference, PanelHeight);
}

// ---------------------------------------------------------------------------------------
// Moves

Rect ZephquillWnd::Reference(Point& origin) const {
  Windows& w = Plat().windows();
  if (!popup_) {
    origin = Point{0, 0};
    return w.ClientRect(BrowserWindow);
  }
  Rect frame = w.WindowRect(BrowserWindow);
  origin = Point{frame.left, frame.top};
  return frame;
}

void ZephquillWnd::MoveTo(int x, int y, int width, int height) {
  // The window manager takes a negative size as 0.
  width = std::max(width, 0);
  height = std::max(height, 0);
  // A pop-up keeps its place in the z-order (just above its browser) and is never
  // activated: brought to the top it would stand above the window the user works in.
  unsigned flags = popup_ ? swp::NoActivate | swp::NoZOrder : 0;
  Plat().windows().SetWindowPos(hwnd_, 0, Rect{x, y, x + width, y + height}, flags);
}

void ZephquillWnd::SetRoundRegion(int ellipse) {
  Windows& w = Plat().windows();
  Rect client = w.ClientRect(hwnd_);
  w.SetRegion(hwnd_, PanelGeometry::RoundRegion(client.Width(), client.Height(), ellipse));
}

bool ZephquillWnd::QueueMove(const QueuedMove& move) {
  WindowHandle window = hwnd_;
  {
    std::lock_guard<std::mutex> guard(movesMutex_);
    moves_.push_back(move);
  }
  return window && Plat().windows().Post(window, UM_PANEL_APPLY_PLACEMENT, 0, 0);
}

void ZephquillWnd::DropQueuedMoves() {
  std::lock_guard<std::mutex> guard(movesMutex_);
  moves_.clear();
}

void ZephquillWnd::OnApplyPlacement() {
  QueuedMove move{};
  {
    std::lock_guard<std::mutex> guard(movesMutex_);
    if (moves_.empty()) return;
    move = moves_.front();
    moves_.pop_front();
  }
  Quietly([&] {
    MoveTo(move.x, move.y, move.width, move.height);
    if (move.ellipse >= 0) SetRoundRegion(move.ellipse);
  });
}

// ---------------------------------------------------------------------------------------
// Threads

void ZephquillWnd::StartPlacementThread(void (ZephquillWnd::*work)()) {
  std::shared_ptr<Lock> lock = PlacementLock;
  std::shared_ptr<WorkerGate> gate = gate_;
  ZephquillWnd* self = this;
  Plat().threads().Start([lock, gate, self, work] {
    LockGuard hold(*lock);
    if (!gate->alive) return;
    Quietly([&] { (self->*work)(); });
  });
}

void ZephquillWnd::ApplyPendingSize() {
  Point at;
  Rect client = Reference(at);
  PanelWidth = PendingWidth;
  PanelHeight = PendingHeight;
  QueueMove({at.x + ComputePanelLeft(client), at.y + ComputePanelTop(client), PanelWidth,
             PanelHeight, kAttachedCornerEllipse});
}

void ZephquillWnd::Slide(bool open) {
  Platform& p = Plat();
  Point at;
  Rect client = Reference(at);
  PanelGeometry g = Geometry();
  const int collapsed = at.x + g.CollapsedLeft(client);
  const int expanded = at.x + g.ExpandedLeft(client, PanelWidth);
  const int y = at.y + g.Top(client, PanelHeight);
  int x = open ? collapsed : expanded;
  const int target = open ? expanded : collapsed;
  const int step = open ? -kSlideStepPixels : kSlideStepPixels;
  // The last step may pass the target by up to 2 pixels; no correction follows.
  while (open ? x > target : x < target) {
    p.clock().Sleep(kSlideStepMs);
    x += step;
    if (!QueueMove({x, y, PanelWidth, PanelHeight, -1})) return;  // the window is gone
  }
}

void ZephquillWnd::SlideOpen() { Slide(true); }

void ZephquillWnd::SlideClosed() { Slide(false); }

// ---------------------------------------------------------------------------------------
// Handlers (main thread)

void ZephquillWnd::OnSetSize(bool hasWidth, const std::wstring& width, bool hasHeight,
                             const std::wstring& height) {
  Guarded(0, L"Cannot reposition the float window", [&] {
    int w = hasWidth ? SettingToInt32(width) : -1;
    int h = hasHeight ? SettingToInt32(height) : -1;
    Windows& win = Plat().windows();
    LockGuard lock(*PlacementLock);
    WidthMode = w < 1 ? w : kSizeRequested;
    HeightMode = h > 0 ? kSizeRequested : h;
    Rect reference = win.WindowRect(BrowserWindow);
    int newWidth = ComputePanelWidth(w, reference);
    int newHeight = ComputePanelHeight(h, reference);
    if (Attached) {
      PendingWidth = newWidth;
      PendingHeight = newHeight;
      StartPlacementThread(&ZephquillWnd::ApplyPendingSize);
      return;
    }
    Rect last;
    Rect screen = win.ScreenRect();
    Point centre = LoadLastPosition(last) ? PanelGeometry::Centre(last)
                                          : Point{screen.Width() / 2, screen.Height() / 2};
    DropQueuedMoves();
    PanelWidth = newWidth;
    PanelHeight = newHeight;
    MoveTo(centre.x - newWidth / 2, centre.y - newHeight / 2, newWidth, newHeight);
    SetRoundRegion(kFloatingCornerEllipse);
  });
}

void ZephquillWnd::OnSize() {
  Quietly([&] {
    Windows& w = Plat().windows();
    Rect client = w.ClientRect(hwnd_);
    Rect fill{0, 0, client.Width(), client.Height()};
    if (FrontBrowser->Hwnd()) w.MoveWindow(FrontBrowser->Hwnd(), fill);
    if (Attached && BackBrowser->Hwnd()) w.MoveWindow(BackBrowser->Hwnd(), fill);
    if (!Attached || !w.IsWindow(BrowserWindow)) return;
    LockGuard lock(*PlacementLock);
    DropQueuedMoves();
    Point at;
    Rect reference = Reference(at);
    PanelWidth = ComputePanelWidth(PanelWidth, reference);
    PanelHeight = ComputePanelHeight(PanelHeight, reference);
    MoveTo(at.x + ComputePanelLeft(reference), at.y + ComputePanelTop(reference), PanelWidth,
           PanelHeight);
    SetRoundRegion(kAttachedCornerEllipse);
  });
}

void ZephquillWnd::OnSetSlide(const std::wstring& state) {
  Guarded(0, L"Cannot restore floating window positioning", [&] {
    if (state != L"1" && state != L"2") return;
    LockGuard lock(*PlacementLock);
    DropQueuedMoves();
    Point at;
    Rect reference = Reference(at);
    PanelGeometry g = Geometry();
    SlideState = state == L"1" ? kSlideCollapsed : kSlideExpanded;
    int x = state == L"1" ? g.CollapsedLeft(reference) : g.ExpandedLeft(reference, PanelWidth);
    MoveTo(at.x + x, at.y + g.Top(reference, PanelHeight), PanelWidth, PanelHeight);
  });
}

void ZephquillWnd::OnToggleSlide() {
  // The state changes at once; the thread only moves the window, after any placement
  // that holds the lock.
  if (SlideState == kSlideExpanded) {
    SlideState = kSlideCollapsed;
    StartPlacementThread(&ZephquillWnd::SlideClosed);
  } else if (SlideState == kSlideCollapsed) {
    SlideState = kSlideExpanded;
    StartPlacementThread(&ZephquillWnd::SlideOpen);
  }
}

void ZephquillWnd::OnMoveRight() {
  Guarded(0, L"Cannot read from last URL visited by the user", [&] {
    LockGuard lock(*PlacementLock);
    DropQueuedMoves();
    Point at =
        PanelGeometry::RightSidePosition(Plat().windows().ScreenRect(), PanelWidth, PanelHeight);
    MoveTo(at.x, at.y, PanelWidth, PanelHeight);
  });
}

// ---------------------------------------------------------------------------------------
// Remembered rectangle and transparency

bool ZephquillWnd::LoadLastPosition(Rect& out) {
  if (Attached) return false;
  return GuardedOr(false, 0, L"Cannot load wnd last position due to an error", [&] {
    Windows& w = Plat().windows();
    std::wstring title = w.Title(hwnd_);
    if (title.empty()) return false;
    std::wstring value = ControllerReadSetting(title, L"");
    if (value.empty()) return false;
    out = PanelGeometry::ParseRemembered(value);
    Rect screen = w.ScreenRect();
    return out.left >= 0 && out.top >= 0 && out.right <= screen.Width() &&
           out.bottom <= screen.Height();
  });
}

void ZephquillWnd::SaveLastPosition() {
  if (Attached) return;
  Guarded(0, L"Cannot save wnd last position due to an error", [&] {
    Windows& w = Plat().windows();
    std::wstring title = w.Title(hwnd_);
    if (title.empty()) return;  // no key to keep it under
    CClientApp* app = App();
    if (app && app->Controller)
      app->Controller->WriteSetting(title, PanelGeometry::FormatRemembered(w.WindowRect(hwnd_)));
  });
}

void ZephquillWnd::ApplyTransparency() {
  Platform& p = Plat();
  Windows& w = p.windows();
  int opacity = Alpha;
  if (p.system().MajorVersion() <= 4) opacity = 255;
  if (!w.LayeredSupported()) return;
  std::uint32_t exStyle = w.ExStyle(hwnd_);
  if (Alpha < 255) exStyle |= ws::ExLayered;  // once layered, a panel stays layered
  w.SetExStyle(hwnd_, exStyle);
  // The opacity is one byte: a page's value outside 0..255 is held to the nearest end.
  w.SetLayeredAttributes(hwnd_, 0, std::clamp(opacity, 0, 255), kLayeredAlpha);
}

}  // namespace zq
