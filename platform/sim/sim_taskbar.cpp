// The simulated shell's taskbar windows and its mouse on tray icons and windows, and the
// window operations whose effects it records: painting, cursor, mouse tracking and zoom.
#include "platform/sim/sim_taskbar.h"

#include <algorithm>
#include <string>

#include "platform/sim/sim_desktop.h"
#include "platform/sim/sim_window.h"

namespace zq::sim {

namespace {

std::string RectText(const Rect& r) {
  return std::to_string(r.left) + "," + std::to_string(r.top) + "," + std::to_string(r.right) +
         "," + std::to_string(r.bottom);
}

Rect Offset(const Rect& r, const Rect& origin) {
  return Rect{r.left - origin.left, r.top - origin.top, r.right - origin.left,
              r.bottom - origin.top};
}

const char* EdgeName(SimTaskbar::Edge edge) {
  switch (edge) {
    case SimTaskbar::Edge::Left:
      return "left";
    case SimTaskbar::Edge::Top:
      return "top";
    case SimTaskbar::Edge::Right:
      return "right";
    default:
      return "bottom";
  }
}

std::string KeyNames(const std::set<int>& keys) {
  std::string names;
  for (int key : keys) {
    if (!names.empty()) names += "+";
    names += key == 0x10   ? "shift"
             : key == 0x11 ? "ctrl"
             : key == 0x12 ? "alt"
                           : "vk" + std::to_string(key);
  }
  return names;
}

}  // namespace

SimTaskbar::SimTaskbar(Desktop& d) : d_(d) { Create(); }

WindowHandle SimTaskbar::AddWindow(const std::wstring& className, WindowHandle parent,
                                   std::uint32_t style, const Rect& rect) {
  SimWindow w;
  w.handle = nextHandle_;
  nextHandle_ += 2;
  w.className = className;
  w.style = style;
  w.exStyle = parent ? 0 : (ws::ExTopmost | ws::ExToolWindow);
  w.rect = rect;
  w.parent = parent ? parent : d_.DesktopHandle();
  w.visible = true;
  WindowHandle h = w.handle;
  d_.AllWindows()[h] = std::move(w);
  // Top-level: below every client window; children: in creation order, first on top.
  d_.Window(d_.Window(h)->parent)->children.push_back(h);
  return h;
}

void SimTaskbar::DropWindow(WindowHandle window) {
  SimWindow* w = d_.Window(window);
  if (!w) return;
  for (WindowHandle child : std::vector<WindowHandle>(w->children)) DropWindow(child);
  if (SimWindow* p = d_.Window(w->parent)) {
    auto& c = p->children;
    c.erase(std::remove(c.begin(), c.end(), window), c.end());
  }
  if (d_.foreground == window) d_.foreground = 0;
  d_.AllWindows().erase(window);
}

void SimTaskbar::Create() {
  tray_ = AddWindow(L"Shell_TrayWnd", 0, ws::Popup | ws::Visible, Rect{});
  start_ = AddWindow(L"Button", tray_, ws::Child | ws::Visible, Rect{});
  notify_ = AddWindow(L"TrayNotifyWnd", tray_, ws::Child | ws::Visible, Rect{});
  pager_ = AddWindow(L"SysPager", notify_, ws::Child | ws::Visible, Rect{});
  clock_ = AddWindow(L"TrayClockWClass", notify_, ws::Child | ws::Visible, Rect{});
  Layout();
}

void SimTaskbar::Remove() {
  DropWindow(tray_);
  tray_ = start_ = notify_ = pager_ = clock_ = 0;
}

// Along the top or bottom the notification area is the right end with the clock at its
// right; along a side it is the lower end with the clock on top of it.
void SimTaskbar::Layout() {
  if (!tray_) return;
  const Rect t = d_.taskbar;
  bool across = t.Width() >= t.Height();
  Rect start, notify, pager, clock;
  if (across) {
    start = Rect{t.left + 2, t.top + 2, t.left + 62, t.bottom - 2};
    notify = Rect{t.right - 130, t.top + 2, t.right - 2, t.bottom - 2};
    pager = Rect{notify.left + 4, notify.top, notify.right - 50, notify.bottom};
    clock = Rect{notify.right - 50, notify.top, notify.right, notify.bottom};
  } else {
    start = Rect{t.left + 2, t.top + 2, t.right - 2, t.top + 24};
    notify = Rect{t.left + 2, t.bottom - 130, t.right - 2, t.bottom - 2};
    pager = Rect{notify.left, notify.top + 20, notify.right, notify.bottom};
    clock = Rect{notify.left, notify.top, notify.right, notify.top + 20};
  }
  d_.Window(tray_)->rect = t;
  d_.Window(start_)->rect = Offset(start, t);
  d_.Window(notify_)->rect = Offset(notify, t);
  d_.Window(pager_)->rect = Offset(pager, notify);
  d_.Window(clock_)->rect = Offset(clock, notify);
}

SimTaskbar::Edge SimTaskbar::CurrentEdge() const {
  const Rect& t = d_.taskbar;
  const Rect& s = d_.screen;
  if (t.Width() >= t.Height()) return t.top <= s.top ? Edge::Top : Edge::Bottom;
  return t.left <= s.left ? Edge::Left : Edge::Right;
}

void SimTaskbar::PlaceAt(Edge edge, int thickness) {
  const Rect s = d_.screen;
  switch (edge) {
    case Edge::Left:
      d_.taskbar = Rect{s.left, s.top, s.left + thickness, s.bottom};
      break;
    case Edge::Top:
      d_.taskbar = Rect{s.left, s.top, s.right, s.top + thickness};
      break;
    case Edge::Right:
      d_.taskbar = Rect{s.right - thickness, s.top, s.right, s.bottom};
      break;
    case Edge::Bottom:
      d_.taskbar = Rect{s.left, s.bottom - thickness, s.right, s.bottom};
      break;
  }
  Layout();
  d_.Trace(std::string("the taskbar moves to the ") + EdgeName(edge) +
           " edge: " + RectText(d_.taskbar));
}

Rect SimTaskbar::WorkArea() const {
  Rect r = d_.screen;
  const Rect& t = d_.taskbar;
  if (t.IsEmpty()) return r;
  switch (CurrentEdge()) {
    case Edge::Left:
      r.left = t.right;
      break;
    case Edge::Top:
      r.top = t.bottom;
      break;
    case Edge::Right:
      r.right = t.left;
      break;
    case Edge::Bottom:
      r.bottom = t.top;
      break;
  }
  return r;
}

void SimTaskbar::Restart() {
  ++restarts;
  size_t dropped = d_.trayIcons.size();
  d_.trayIcons.clear();
  Remove();
  Create();
  d_.Trace("the shell starts again: a new taskbar, " + std::to_string(dropped) +
           " tray icon(s) dropped, \"TaskbarCreated\" to every top-level window");
  SimWindows shell(d_, 0);
  unsigned created = shell.RegisterMessage(L"TaskbarCreated");
  std::vector<WindowHandle> topLevel = d_.Window(d_.DesktopHandle())->children;
  for (WindowHandle h : topLevel) PostTo(h, created, 0, 0);
}

// ---------------------------------------------------------------------------------------
// The mouse

void SimTaskbar::PostTo(WindowHandle window, unsigned message, std::uintptr_t wParam,
                        std::intptr_t lParam) {
  SimWindow* w = d_.Window(window);
  if (!w || w->pid == 0) return;
  SimWindows(d_, w->pid).Post(window, message, wParam, lParam);
}

// Lets the window's thread handle what was posted: at once when it is the calling thread,
// else by giving the turn away.
void SimTaskbar::LetItRun(WindowHandle window) {
  SimWindow* w = d_.Window(window);
  if (w && w->thread == d_.Current().id)
    SimWindows(d_, w->pid).PumpPending();
  else
    d_.SleepMs(0);
}

bool SimTaskbar::ClickIcon(std::uint32_t pid, Click click, const std::set<int>& keys) {
  auto it = std::find_if(d_.trayIcons.begin(), d_.trayIcons.end(),
                         [pid](const TrayIcon& t) { return t.pid == pid; });
  if (it == d_.trayIcons.end()) return false;
  const NotifyIconData data = it->data;
  const char* what = click == Click::Left     ? "left click"
                     : click == Click::Double ? "double click"
                                              : "right click";
  d_.Trace("process " + std::to_string(pid) + " tray icon " + std::to_string(data.id) + ": " +
           what + (keys.empty() ? "" : " with " + KeyNames(keys)));
  if (!(data.flags & nim::FlagMessage)) return true;  // added without a callback
  std::vector<unsigned> sequence;
  switch (click) {
    case Click::Left:
      sequence = {wm::LButtonDown, wm::LButtonUp};
      break;
    case Click::Double:
      sequence = {wm::LButtonDown, wm::LButtonUp, wm::LButtonDblClk, wm::LButtonUp};
      break;
    case Click::Right:
      sequence = {wm::RButtonDown, wm::RButtonUp};
      break;
  }
  std::set<int> held = d_.keysDown;
  d_.keysDown.insert(keys.begin(), keys.end());
  for (unsigned message : sequence) PostTo(data.window, data.callbackMessage, data.id, message);
  LetItRun(data.window);
  d_.keysDown = held;
  return true;
}

void SimTaskbar::MouseOver(WindowHandle window) {
  PostTo(window, wm::MouseMove, 0, 0);
  LetItRun(window);
  auto it = tracking.find(window);
  if (it != tracking.end() && (it->second & tme::Hover)) {
    it->second &= ~tme::Hover;
    PostTo(window, wm::MouseHover, 0, 0);
    LetItRun(window);
  }
}

void SimTaskbar::MouseLeave(WindowHandle window) {
  auto it = tracking.find(window);
  unsigned asked = it == tracking.end() ? 0 : it->second;
  if (it != tracking.end()) tracking.erase(it);  // a leave ends every request
  if (!(asked & tme::Leave)) return;
  PostTo(window, wm::MouseLeave, 0, 0);
  LetItRun(window);
}

void SimTaskbar::MouseClick(WindowHandle window) {
  constexpr std::uintptr_t kLeftButton = 0x0001;
  PostTo(window, wm::MouseMove, 0, 0);
  PostTo(window, wm::LButtonDown, kLeftButton, 0);
  PostTo(window, wm::LButtonUp, 0, 0);
  LetItRun(window);
}

// ---------------------------------------------------------------------------------------
// SimWindows: painting, cursor, mouse tracking and zoom

bool SimWindows::Redraw(WindowHandle window, unsigned flags) {
  SimWindow* w = d_.Window(window);
  if (!w) return false;
  if (!(flags & rdw::Invalidate) || !IsVisible(window)) return true;
  // Painted at once, also without UpdateNow (the real system waits for an empty queue).
  if (flags & rdw::Erase) Send(window, wm::EraseBkgnd, 0, 0);
  ++d_.taskbarShell().paints[window].paints;
  Send(window, wm::Paint, 0, 0);
  if (flags & rdw::AllChildren) {
    w = d_.Window(window);
    std::vector<WindowHandle> children = w ? w->children : std::vector<WindowHandle>();
    for (WindowHandle child : children) Redraw(child, flags);
  }
  return true;
}

bool SimWindows::PaintText(WindowHandle window, const TextPaint& text) {
  if (!d_.Window(window)) return false;
  SimTaskbar::PaintRecord& record = d_.taskbarShell().paints[window];
  record.hasText = true;
  record.text = text;
  return true;
}

bool SimWindows::SetWindowPos(WindowHandle window, WindowHandle insertAfter, const Rect& rect,
                              unsigned flags) {
  SimWindow* w = d_.Window(window);
  if (!w || window == d_.DesktopHandle()) return false;
  const Rect old = w->rect;
  const bool wasVisible = IsVisible(window);
  if ((flags & (swp::NoMove | swp::NoSize)) != (swp::NoMove | swp::NoSize)) {
    int x = (flags & swp::NoMove) ? old.left : rect.left;
    int y = (flags & swp::NoMove) ? old.top : rect.top;
    int cx = (flags & swp::NoSize) ? old.Width() : rect.Width();
    int cy = (flags & swp::NoSize) ? old.Height() : rect.Height();
    if (!MoveWindow(window, Rect{x, y, x + cx, y + cy})) return false;
  }
  if (!(flags & swp::NoZOrder) && (insertAfter == 0 || insertAfter == InsertTopmost)) {
    if (insertAfter == InsertTopmost) SetExStyle(window, ExStyle(window) | ws::ExTopmost);
    BringToTop(window);
  }
  bool activate = !(flags & swp::NoActivate);
  if (flags & swp::ShowWindow) Show(window, activate ? sw::Show : sw::ShowNoActivate);
  if (flags & swp::HideWindow) Show(window, sw::Hide);
  w = d_.Window(window);
  if (!w) return true;
  if (activate && IsVisible(window)) SetActiveWindow(window);
  // A visible window that changed size or came into view is painted again.
  bool resized = w->rect.Width() != old.Width() || w->rect.Height() != old.Height();
  if (IsVisible(window) && !w->rect.IsEmpty() && (resized || !wasVisible))
    Redraw(window, rdw::Invalidate | rdw::Erase | rdw::UpdateNow);
  return true;
}

void SimWindows::SetCursor(unsigned systemCursorId) {
  d_.taskbarShell().cursorShape = systemCursorId;
}

bool SimWindows::TrackMouse(WindowHandle window, unsigned flags, unsigned hoverMs) {
  if (!d_.Window(window)) return false;
  d_.taskbarShell().tracking[window] |= flags & (tme::Hover | tme::Leave);
  return true;
}

bool SimWindows::MinimizeAnimation() { return d_.taskbarShell().minimizeAnimation; }

bool SimWindows::ZoomRects(WindowHandle window, const Rect& from, const Rect& to) {
  d_.Trace("process " + std::to_string(pid_) + " zooms the caption of " + WindowLabel(d_, window) +
           " from " + RectText(from) + " to " + RectText(to));
  return true;
}

}  // namespace zq::sim
