// The simulated window system: the window tree, focus and activation, message queues with
// post and cross-thread send, timers, modal loops, message boxes and popup menus.
#include "platform/sim/sim_window.h"

#include <algorithm>

#include "app/Text.h"
#include "platform/sim/sim_taskbar.h"
#include "platform/sim/sim_window_events.h"

namespace zq::sim {

namespace {
std::string Hex(std::uintptr_t v) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "0x%llx", static_cast<unsigned long long>(v));
  return buf;
}
}  // namespace

// ---------------------------------------------------------------------------------------
// Desktop: windows and queues

SimWindow* Desktop::Window(WindowHandle handle) {
  auto it = windows_.find(handle);
  return it == windows_.end() ? nullptr : &it->second;
}

WindowHandle Desktop::NewWindow(SimWindow w) {
  w.handle = nextWindow_;
  nextWindow_ += 2;
  WindowHandle h = w.handle;
  WindowHandle parent = w.parent;
  windows_[h] = std::move(w);
  if (SimWindow* p = Window(parent)) p->children.insert(p->children.begin(), h);
  return h;
}

void Desktop::DestroyWindowTree(WindowHandle handle, bool sendMessages) {
  SimWindow* w = Window(handle);
  if (!w || handle == desktopWindow_) return;
  if (sendMessages) Deliver(handle, wm::Destroy, 0, 0);
  w = Window(handle);
  if (!w) return;
  std::vector<WindowHandle> kids = w->children;
  for (WindowHandle k : kids) DestroyWindowTree(k, sendMessages);
  // Owned popups go with their owner.
  std::vector<WindowHandle> owned;
  for (auto& [h, other] : windows_)
    if (other.owner == handle) owned.push_back(h);
  for (WindowHandle o : owned) DestroyWindowTree(o, sendMessages);
  if (sendMessages && Window(handle)) Deliver(handle, wm::NcDestroy, 0, 0);
  w = Window(handle);
  if (!w) return;
  if (SimWindow* p = Window(w->parent)) {
    auto& c = p->children;
    c.erase(std::remove(c.begin(), c.end(), handle), c.end());
  }
  for (auto it = timers_.begin(); it != timers_.end();)
    it = (it->first.first == handle) ? timers_.erase(it) : std::next(it);
  if (foreground == handle) foreground = 0;
  for (auto& [id, t] : threads_) {
    if (t->active == handle) t->active = 0;
    if (t->focus == handle) t->focus = 0;
  }
  windows_.erase(handle);
}

LResult Desktop::Deliver(WindowHandle window, unsigned message, WParam wParam, LParam lParam) {
  SimWindow* w = Window(window);
  if (!w) return 0;
  if (message == kDestroyRequest) {
    DestroyWindowTree(window, true);
    return 0;
  }
  if (w->handler) return w->handler->OnMessage(window, message, wParam, lParam);
  SimProcess* p = Process(w->pid);
  return p ? p->windows().DefaultProc(window, message, wParam, lParam) : 0;
}

LResult Desktop::Dispatch(const QueuedMessage& msg) {
  if (msg.window == 0) return 0;
  return Deliver(msg.window, msg.message, msg.wParam, msg.lParam);
}

void Desktop::ProcessIncoming(SimThread& t) {
  while (!t.incoming.empty()) {
    SentMessage* sm = t.incoming.front();
    t.incoming.pop_front();
    sm->result = Deliver(sm->window, sm->message, sm->wParam, sm->lParam);
    sm->done = true;
  }
  DeliverWindowEvents(*this, t);
}

std::uint64_t Desktop::NextTimerDue(std::uint32_t thread) {
  std::uint64_t due = kNever;
  for (auto& [key, timer] : timers_) {
    SimWindow* w = Window(key.first);
    if (w && w->thread == thread) due = std::min(due, timer.due);
  }
  return due;
}

bool Desktop::DueTimer(std::uint32_t thread, QueuedMessage& out) {
  for (auto& [key, timer] : timers_) {
    SimWindow* w = Window(key.first);
    if (w && w->thread == thread && timer.due <= now_) {
      timer.due = now_ + timer.period;
      out = {key.first, wm::Timer, key.second, 0};
      return true;
    }
  }
  return false;
}

bool Desktop::NextMessage(QueuedMessage& out, const std::function<bool()>& extraReady) {
  SimThread& me = Current();
  for (;;) {
    if (me.killed && std::uncaught_exceptions() > 0) {
      out = {0, wm::Quit, 0, 0};
      return true;
    }
    ProcessIncoming(me);
    if (extraReady && extraReady()) return false;
    if (!me.posted.empty()) {
      out = me.posted.front();
      me.posted.pop_front();
      return true;
    }
    if (me.quitPending) {
      me.quitPending = false;
      out = {0, wm::Quit, static_cast<WParam>(me.quitCode), 0};
      return true;
    }
    if (DueTimer(me.id, out)) return true;
    me.wake = [this, id = me.id] { return NextTimerDue(id); };
    Block(
        [this, &me, &extraReady] {
          return !me.incoming.empty() || WindowEventsWaiting(*this, me.id) || !me.posted.empty() ||
                 me.quitPending || NextTimerDue(me.id) <= now_ || (extraReady && extraReady());
        },
        kNever);
  }
}

// ---------------------------------------------------------------------------------------
// SimWindows

SimWindows::SimWindows(Desktop& d, std::uint32_t pid) : d_(d), pid_(pid) {}

WindowHandle SimWindows::Create(const WindowSpec& desc) {
  SimWindow w;
  w.className = desc.className;
  w.title = desc.title;
  w.style = desc.style;
  w.exStyle = desc.exStyle;
  w.rect = desc.rect;
  // With both the child and the pop-up bit a window is a pop-up owned by `parent`.
  bool child = (desc.style & (ws::Child | ws::Popup)) == ws::Child;
  if (child && d_.Window(desc.parent)) {
    w.parent = desc.parent;
  } else {
    if (child) return 0;
    w.parent = d_.DesktopHandle();
    w.owner = d_.Window(desc.parent) ? desc.parent : 0;
  }
  w.thread = d_.Current().id;
  w.pid = pid_;
  w.handler = desc.handler;
  WindowHandle h = d_.NewWindow(std::move(w));
  // A new child goes below its siblings (creation order is the dialog's tab order); a new
  // top-level window stays on top.
  if (child) {
    auto& siblings = d_.Window(desc.parent)->children;
    std::rotate(siblings.begin(), siblings.begin() + 1, siblings.end());
  }
  if (!d_.Deliver(h, wm::NcCreate, 0, reinterpret_cast<LParam>(&desc))) {
    d_.DestroyWindowTree(h, false);
    return 0;
  }
  if (d_.Deliver(h, wm::Create, 0, reinterpret_cast<LParam>(&desc)) == -1) {
    d_.DestroyWindowTree(h, true);
    return 0;
  }
  if (SimWindow* cw = d_.Window(h)) {
    if (desc.style & ws::Visible) cw->visible = true;
    if (desc.style & ws::Minimize) cw->iconic = true;
    if (desc.style & ws::Disabled) cw->enabled = false;
  }
  return h;
}

// As DestroyWindow works only on the window's own thread, another thread sends it the
// request, so that its handler hears WM_DESTROY there; a window whose thread has ended goes
// at once.
bool SimWindows::Destroy(WindowHandle window) {
  SimWindow* w = d_.Window(window);
  if (!w || window == d_.DesktopHandle()) return false;
  if (w->thread != d_.Current().id) {
    Send(window, kDestroyRequest, 0, 0);
    if (!d_.Window(window)) return true;
  }
  d_.DestroyWindowTree(window, true);
  return true;
}

bool SimWindows::IsWindow(WindowHandle window) {
  return window != 0 && d_.Window(window) != nullptr;
}

std::wstring SimWindows::ClassName(WindowHandle window) {
  SimWindow* w = d_.Window(window);
  return w ? w->className : std::wstring();
}

std::wstring SimWindows::Title(WindowHandle window) {
  SimWindow* w = d_.Window(window);
  return w ? w->title : std::wstring();
}

bool SimWindows::SetTitle(WindowHandle window, const std::wstring& title) {
  SimWindow* w = d_.Window(window);
  if (!w) return false;
  w->title = title;
  return true;
}

std::uint32_t SimWindows::Style(WindowHandle window) {
  SimWindow* w = d_.Window(window);
  if (!w) return 0;
  std::uint32_t s = w->style & ~(ws::Visible | ws::Minimize | ws::Disabled);
  if (w->visible) s |= ws::Visible;
  if (w->iconic) s |= ws::Minimize;
  if (!w->enabled) s |= ws::Disabled;
  return s;
}

void SimWindows::SetStyle(WindowHandle window, std::uint32_t style) {
  if (SimWindow* w = d_.Window(window)) {
    w->style = style;
    w->visible = (style & ws::Visible) != 0;
    w->iconic = (style & ws::Minimize) != 0;
    w->enabled = (style & ws::Disabled) == 0;
  }
}

std::uint32_t SimWindows::ExStyle(WindowHandle window) {
  SimWindow* w = d_.Window(window);
  return w ? w->exStyle : 0;
}

void SimWindows::SetExStyle(WindowHandle window, std::uint32_t exStyle) {
  if (SimWindow* w = d_.Window(window)) w->exStyle = exStyle;
}

Rect SimWindows::WindowRect(WindowHandle window) {
  SimWindow* w = d_.Window(window);
  if (!w) return Rect{};
  Rect r = w->rect;
  for (SimWindow* p = d_.Window(w->parent); p && p->handle != d_.DesktopHandle();
       p = d_.Window(p->parent)) {
    r.left += p->rect.left;
    r.right += p->rect.left;
    r.top += p->rect.top;
    r.bottom += p->rect.top;
  }
  return r;
}

Rect SimWindows::ClientRect(WindowHandle window) {
  SimWindow* w = d_.Window(window);
  if (!w) return Rect{};
  return Rect{0, 0, w->rect.Width(), w->rect.Height()};
}

bool SimWindows::MoveWindow(WindowHandle window, const Rect& rect) {
  SimWindow* w = d_.Window(window);
  if (!w || window == d_.DesktopHandle()) return false;
  WindowPos pos{window, 0, rect.left, rect.top, rect.Width(), rect.Height(), swp::NoZOrder};
  Send(window, wm::WindowPosChanging, 0, reinterpret_cast<LParam>(&pos));
  w = d_.Window(window);
  if (!w) return false;
  Rect old = w->rect;
  if (!(pos.flags & swp::NoMove)) {
    w->rect.left = pos.x;
    w->rect.top = pos.y;
  }
  w->rect.right = w->rect.left + ((pos.flags & swp::NoSize) ? old.Width() : pos.cx);
  w->rect.bottom = w->rect.top + ((pos.flags & swp::NoSize) ? old.Height() : pos.cy);
  if (old.Width() != w->rect.Width() || old.Height() != w->rect.Height()) {
    LParam size = static_cast<LParam>((w->rect.Height() << 16) | (w->rect.Width() & 0xFFFF));
    Send(window, wm::Size, 0, size);
  }
  w = d_.Window(window);
  if (w && w->parent == d_.DesktopHandle() && w->rect != old)
    RaiseWindowEvent(d_, WindowEvent::Location, window);
  return true;
}

bool SimWindows::IsVisible(WindowHandle window) {
  for (SimWindow* w = d_.Window(window); w; w = d_.Window(w->parent)) {
    if (!w->visible) return false;
    if (w->parent == 0) break;
  }
  return d_.Window(window) != nullptr;
}

bool SimWindows::Show(WindowHandle window, int command) {
  SimWindow* w = d_.Window(window);
  if (!w) return false;
  bool was = w->visible;
  const bool wasIconic = w->iconic;
  bool show = command != sw::Hide;
  WindowPos pos{window,
                0,
                0,
                0,
                0,
                0,
                swp::NoMove | swp::NoSize | (show ? swp::ShowWindow : swp::HideWindow)};
  Send(window, wm::WindowPosChanging, 0, reinterpret_cast<LParam>(&pos));
  w = d_.Window(window);
  if (!w) return false;
  if (pos.flags & swp::ShowWindow) w->visible = true;
  if (pos.flags & swp::HideWindow) w->visible = false;
  if (command == sw::Minimize || command == sw::ShowMinimized) {
    w->iconic = true;
    Send(window, wm::Size, 1, 0);
  } else if (command == sw::Restore || command == sw::ShowNormal) {
    w->iconic = false;
  }
  if (w->iconic != wasIconic)
    RaiseWindowEvent(d_, w->iconic ? WindowEvent::MinimizeStart : WindowEvent::MinimizeEnd, window);
  w = d_.Window(window);
  if (!w) return was;
  if (show && command != sw::ShowNoActivate && command != sw::Minimize && w->visible &&
      w->parent == d_.DesktopHandle())
    d_.Current().active = window;
  return was;
}

bool SimWindows::IsEnabled(WindowHandle window) {
  SimWindow* w = d_.Window(window);
  return w && w->enabled;
}

bool SimWindows::EnableWindow(WindowHandle window, bool enable) {
  SimWindow* w = d_.Window(window);
  if (!w) return false;
  bool wasDisabled = !w->enabled;
  w->enabled = enable;
  return wasDisabled;
}

bool SimWindows::IsIconic(WindowHandle window) {
  SimWindow* w = d_.Window(window);
  return w && w->iconic;
}

std::uint32_t SimWindows::ThreadOf(WindowHandle window) {
  SimWindow* w = d_.Window(window);
  return w ? w->thread : 0;
}

WindowHandle SimWindows::DesktopWindow() { return d_.DesktopHandle(); }

WindowHandle SimWindows::Parent(WindowHandle window) {
  SimWindow* w = d_.Window(window);
  if (!w) return 0;
  if ((w->style & (ws::Child | ws::Popup)) == ws::Child) return w->parent;
  return w->owner;  // GetParent gives the owner of a popup
}

WindowHandle SimWindows::FirstChild(WindowHandle window) {
  SimWindow* w = d_.Window(window ? window : d_.DesktopHandle());
  return (w && !w->children.empty()) ? w->children.front() : 0;
}

WindowHandle SimWindows::NextSibling(WindowHandle window) {
  SimWindow* w = d_.Window(window);
  if (!w) return 0;
  SimWindow* p = d_.Window(w->parent);
  if (!p) return 0;
  auto it = std::find(p->children.begin(), p->children.end(), window);
  if (it == p->children.end() || ++it == p->children.end()) return 0;
  return *it;
}

WindowHandle SimWindows::SetParent(WindowHandle window, WindowHandle parent) {
  SimWindow* w = d_.Window(window);
  WindowHandle newParent = parent ? parent : d_.DesktopHandle();
  if (!w || !d_.Window(newParent)) return 0;
  WindowHandle old = w->parent;
  if (SimWindow* p = d_.Window(old)) {
    auto& c = p->children;
    c.erase(std::remove(c.begin(), c.end(), window), c.end());
  }
  w->parent = newParent;
  SimWindow* np = d_.Window(newParent);
  np->children.insert(np->children.begin(), window);
  return old;
}

WindowHandle SimWindows::FindWindow(WindowHandle parent, WindowHandle after,
                                    const std::wstring& className, const std::wstring& title) {
  SimWindow* p = d_.Window(parent ? parent : d_.DesktopHandle());
  if (!p) return 0;
  bool started = after == 0;
  for (WindowHandle h : p->children) {
    if (!started) {
      started = (h == after);
      continue;
    }
    SimWindow* w = d_.Window(h);
    if (!className.empty() && !EqualsNoCase(w->className, className)) continue;
    if (!title.empty() && !EqualsNoCase(w->title, title)) continue;
    return h;
  }
  return 0;
}

bool SimWindows::BringToTop(WindowHandle window) {
  SimWindow* w = d_.Window(window);
  if (!w) return false;
  SimWindow* p = d_.Window(w->parent);
  if (p) {
    auto& c = p->children;
    c.erase(std::remove(c.begin(), c.end(), window), c.end());
    c.insert(c.begin(), window);
  }
  // A top-level window's owned pop-ups stay above it, in their own order.
  if (w->parent == d_.DesktopHandle() && p) {
    std::vector<WindowHandle> owned;
    for (WindowHandle h : p->children)
      if (SimWindow* o = d_.Window(h); o && o->owner == window) owned.push_back(h);
    for (auto it = owned.rbegin(); it != owned.rend(); ++it) BringToTop(*it);
  }
  return true;
}

WindowHandle SimWindows::Foreground() { return IsWindow(d_.foreground) ? d_.foreground : 0; }

bool SimWindows::SetForeground(WindowHandle window) {
  SimWindow* w = d_.Window(window);
  while (w && w->parent != d_.DesktopHandle()) w = d_.Window(w->parent);
  if (!w) return false;
  const bool changed = d_.foreground != w->handle;
  d_.foreground = w->handle;
  BringToTop(w->handle);
  if (changed) RaiseWindowEvent(d_, WindowEvent::Foreground, w->handle);
  if (SimThread* t = d_.Thread(w->thread)) t->active = w->handle;
  return true;
}

WindowHandle SimWindows::ActiveWindow() {
  WindowHandle a = d_.Current().active;
  return IsWindow(a) ? a : 0;
}

WindowHandle SimWindows::SetActiveWindow(WindowHandle window) {
  WindowHandle old = ActiveWindow();
  SimWindow* w = d_.Window(window);
  if (window != 0 && (!w || w->thread != d_.Current().id)) return 0;
  // Only top-level windows become a thread's active window; a child window never does.
  if (window != 0 && w->parent != d_.DesktopHandle()) return 0;
  d_.Current().active = window;
  return old;
}

WindowHandle SimWindows::Focus() {
  WindowHandle f = d_.Current().focus;
  return IsWindow(f) ? f : 0;
}

// The window losing the focus is told first, then the one gaining it, each with the other.
WindowHandle SimWindows::SetFocus(WindowHandle window) {
  const WindowHandle losing = Focus(), gaining = window;
  d_.Current().focus = gaining;
  if (losing != gaining) {
    if (losing) Send(losing, wm::KillFocus, gaining, 0);
    if (gaining) Send(gaining, wm::SetFocus, losing, 0);
  }
  return losing;
}

bool SimWindows::Post(WindowHandle window, unsigned message, WParam wParam, LParam lParam) {
  SimWindow* w = d_.Window(window);
  if (!w) return false;
  SimThread* t = d_.Thread(w->thread);
  if (!t || t->state == SimThread::State::Done || t->killed) return false;
  t->posted.push_back({window, message, wParam, lParam});
  return true;
}

LResult SimWindows::Send(WindowHandle window, unsigned message, WParam wParam, LParam lParam) {
  SimWindow* w = d_.Window(window);
  if (!w) return 0;
  SimThread& me = d_.Current();
  if (w->thread == me.id) return d_.Deliver(window, message, wParam, lParam);
  // The receiver is looked up by id at every check: once it has ended, the scheduler may
  // release it while this thread waits.
  const std::uint32_t targetId = w->thread;
  auto gone = [this, targetId] {
    SimThread* t = d_.Thread(targetId);
    return !t || t->state == SimThread::State::Done || t->killed;
  };
  if (gone()) return 0;
  SentMessage sm{window, message, wParam, lParam};
  d_.Thread(targetId)->incoming.push_back(&sm);
  struct Unqueue {
    Desktop& d;
    std::uint32_t id;
    SentMessage* m;
    ~Unqueue() {
      if (SimThread* t = d.Thread(id)) {
        auto& q = t->incoming;
        q.erase(std::remove(q.begin(), q.end(), m), q.end());
      }
    }
  } unqueue{d_, targetId, &sm};
  while (!sm.done && !gone()) {
    if (d_.Dying()) return 0;
    d_.Block(
        [&] { return sm.done || gone() || !me.incoming.empty() || WindowEventsWaiting(d_, me.id); },
        kNever);
    d_.ProcessIncoming(me);
  }
  return sm.result;
}

void SimWindows::PostQuit(int exitCode) {
  SimThread& me = d_.Current();
  me.quitPending = true;
  me.quitCode = exitCode;
}

LResult SimWindows::DefaultProc(WindowHandle window, unsigned message, WParam wParam,
                                LParam lParam) {
  switch (message) {
    case wm::NcCreate:
      return 1;
    case wm::Close:
      Destroy(window);
      return 0;
    case wm::SetText:
      if (lParam) SetTitle(window, *reinterpret_cast<const std::wstring*>(lParam));
      return 1;
    default:
      return 0;
  }
}

bool SimWindows::SetTimer(WindowHandle window, unsigned id, unsigned periodMs) {
  if (!d_.Window(window)) return false;
  unsigned period = std::max(periodMs, 10u);
  d_.Timers()[{window, id}] = Timer{period, d_.NowMs() + period};
  return true;
}

bool SimWindows::KillTimer(WindowHandle window, unsigned id) {
  return d_.Timers().erase({window, id}) > 0;
}

// Like the framework: the message's window and then its parents (owners for pop-ups) of
// this thread are offered the message nearest first, up to the modal window, which is
// offered it last when it is not among them. True when one of them swallowed it.
bool SimWindows::PreTranslateWalk(WindowHandle modal, const QueuedMessage& m) {
  std::uint32_t me = d_.Current().id;
  for (WindowHandle h = m.window; h && h != d_.DesktopHandle(); h = Parent(h)) {
    SimWindow* w = d_.Window(h);
    if (!w) break;
    if (w->thread == me && w->handler &&
        w->handler->PreTranslate(m.window, m.message, m.wParam, m.lParam))
      return true;
    if (h == modal) return false;
  }
  SimWindow* w = d_.Window(modal);
  return w && w->handler && w->handler->PreTranslate(m.window, m.message, m.wParam, m.lParam);
}

bool SimWindows::IsDialogOrInside(WindowHandle dialog, WindowHandle window) {
  if (ClassName(dialog) != L"#32770") return false;
  for (WindowHandle h = window; h && h != d_.DesktopHandle(); h = d_.Window(h)->parent)
    if (h == dialog) return true;
  return false;
}

int SimWindows::RunModalLoop(WindowHandle window) {
  SimThread& me = d_.Current();
  me.modalEnds[window] = std::nullopt;
  int result = -1;
  for (;;) {
    QueuedMessage m;
    bool got = d_.NextMessage(m, [&] {
      auto it = me.modalEnds.find(window);
      return !IsWindow(window) || it == me.modalEnds.end() || it->second.has_value();
    });
    if (!got) {
      auto it = me.modalEnds.find(window);
      if (it != me.modalEnds.end() && it->second) result = *it->second;
      break;
    }
    if (m.message == wm::Quit) {
      if (!d_.Dying()) PostQuit(static_cast<int>(m.wParam));
      result = -1;
      break;
    }
    if (PreTranslateWalk(window, m)) continue;
    // The dialog manager turns Escape for a dialog or its controls into the dialog's Cancel
    // command; in any other window's loop Escape is an ordinary key.
    constexpr WParam kEscape = 27, kIdCancel = 2;
    if (m.message == wm::KeyDown && m.wParam == kEscape && IsDialogOrInside(window, m.window)) {
      Send(window, wm::Command, kIdCancel, 0);
      continue;
    }
    d_.Dispatch(m);
  }
  me.modalEnds.erase(window);
  return result;
}

void SimWindows::EndModal(WindowHandle window, int result) {
  SimWindow* w = d_.Window(window);
  if (!w) return;
  if (SimThread* t = d_.Thread(w->thread)) t->modalEnds[window] = result;
}

// Like a PeekMessage loop: sent, then posted messages, then the timers that are due.
void SimWindows::PumpPending() {
  QueuedMessage m;
  SimThread& me = d_.Current();
  for (;;) {
    d_.ProcessIncoming(me);
    if (!me.posted.empty()) {
      m = me.posted.front();
      me.posted.pop_front();
    } else if (me.quitPending || !d_.DueTimer(me.id, m)) {
      return;  // a quit message waits for the loop that reads it, ahead of the timers
    }
    d_.Dispatch(m);
  }
}

unsigned SimWindows::RegisterMessage(const std::wstring& name) {
  auto& reg = d_.registeredMessages;
  std::wstring key = ToLower(name);
  auto it = reg.find(key);
  if (it != reg.end()) return it->second;
  unsigned number = 0xC000 + static_cast<unsigned>(reg.size());
  reg[key] = number;
  return number;
}

int SimWindows::MessageBox(WindowHandle owner, const std::wstring& text,
                           const std::wstring& caption, unsigned style) {
  auto& boxes = d_.Boxes();
  MessageBoxRecord rec;
  rec.number = static_cast<int>(boxes.size()) + 1;
  rec.pid = pid_;
  rec.owner = owner;
  rec.text = text;
  rec.caption = caption;
  rec.style = style;
  boxes.push_back(rec);
  size_t index = boxes.size() - 1;
  d_.Trace("process " + std::to_string(pid_) + " shows message box #" + std::to_string(rec.number) +
           " " + Quoted(caption) + ": " + Quoted(text));
  if (d_.autoAnswer) {
    d_.AnswerBox(rec.number, *d_.autoAnswer);
    return *d_.autoAnswer;
  }
  if (d_.Dying()) return mb::IdOk;
  for (;;) {
    QueuedMessage m;
    if (!d_.NextMessage(m, [&] { return boxes[index].answered; })) break;
    if (m.message == wm::Quit) {
      if (!d_.Dying()) PostQuit(static_cast<int>(m.wParam));
      return mb::IdOk;
    }
    d_.Dispatch(m);
  }
  return boxes[index].answer;
}

unsigned SimWindows::TrackPopupMenu(const Menu& menu, unsigned flags, Point at,
                                    WindowHandle owner) {
  std::string items;
  for (const MenuItem& item : menu) {
    if (item.separator) continue;
    if (!items.empty()) items += ", ";
    items += ToUtf8(item.text);
  }
  unsigned choice = 0;
  if (!d_.menuChoices.empty()) {
    choice = d_.menuChoices.front();
    d_.menuChoices.pop_front();
  }
  d_.Trace("popup menu at " + std::to_string(at.x) + "," + std::to_string(at.y) + " [" + items +
           "] chose " + std::to_string(choice));
  constexpr unsigned kReturnCommand = 0x0100;
  if (choice != 0 && !(flags & kReturnCommand)) Post(owner, wm::Command, choice, 0);
  return choice;
}

bool SimWindows::RegisterClass(const WindowClass& windowClass) {
  return d_.windowClasses.insert({{pid_, ToLower(windowClass.name)}, windowClass}).second;
}

std::optional<WindowClass> SimWindows::RegisteredClass(const std::wstring& name) {
  auto it = d_.windowClasses.find({pid_, ToLower(name)});
  if (it == d_.windowClasses.end()) return std::nullopt;
  return it->second;
}

// The simulated desktop has no dialog manager: the loop dispatches the message itself.
bool SimWindows::DialogMessage(WindowHandle dialog, const ForwardedMessage& message) {
  return false;
}

bool SimWindows::UnregisterClass(const std::wstring& name) {
  return d_.windowClasses.erase({pid_, ToLower(name)}) > 0;
}

bool SimWindows::LayeredSupported() { return d_.layeredSupported; }

bool SimWindows::SetLayeredAttributes(WindowHandle window, std::uint32_t colorKey, int alpha,
                                      unsigned flags) {
  SimWindow* w = d_.Window(window);
  if (!w || !d_.layeredSupported || !(w->exStyle & ws::ExLayered)) return false;
  w->layered = true;
  if (flags & 1) w->colorKey = colorKey;
  if (flags & 2) w->alpha = alpha;
  return true;
}

bool SimWindows::SetRegion(WindowHandle window, const std::vector<Rect>& region) {
  SimWindow* w = d_.Window(window);
  if (!w) return false;
  w->region = region;
  return true;
}

bool SimWindows::SetPicture(WindowHandle window, const Bitmap* picture) {
  SimWindow* w = d_.Window(window);
  if (!w) return false;
  w->picture = picture ? std::make_shared<const Bitmap>(*picture) : nullptr;
  return true;
}

Point SimWindows::CursorPos() { return d_.cursor; }

bool SimWindows::KeyDown(int virtualKey) { return d_.keysDown.count(virtualKey) > 0; }

Rect SimWindows::ScreenRect() { return d_.screen; }

Rect SimWindows::WorkArea() { return d_.taskbarShell().WorkArea(); }

std::string WindowLabel(Desktop& d, WindowHandle h) {
  SimWindow* w = d.Window(h);
  if (!w) return Hex(h);
  return Hex(h) + " " + ToUtf8(w->className) + " \"" + ToUtf8(w->title) + "\"";
}

}  // namespace zq::sim
