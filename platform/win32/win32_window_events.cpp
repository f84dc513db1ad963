// Window events on Windows: SetWinEventHook out of context, on the subscribing thread, for the
// watched window's location and minimise events and for every foreground change.
#include <map>
#include <mutex>
#include <vector>

#include "platform/win32/win32_backend.h"

namespace zq::win32 {

namespace {

struct Subscription {
  HWND window = nullptr;
  WindowEventSink* sink = nullptr;
  std::vector<HWINEVENTHOOK> hooks;
};

// The hooks' procedure has no context of its own: it finds its subscription by the hook.
std::mutex subscriptionsMutex;
std::map<WindowEventSubscription, Subscription> subscriptions;
std::map<HWINEVENTHOOK, WindowEventSubscription> byHook;
WindowEventSubscription nextSubscription = 1;

void CALLBACK OnWinEvent(HWINEVENTHOOK hook, DWORD event, HWND window, LONG object, LONG child,
                         DWORD, DWORD) {
  // Only the window itself, not its caret, cursor, scroll bars or accessible children.
  if (object != OBJID_WINDOW || child != CHILDID_SELF) return;
  WindowEventSink* sink = nullptr;
  WindowEvent what = WindowEvent::Location;
  {
    std::lock_guard<std::mutex> lock(subscriptionsMutex);
    auto id = byHook.find(hook);
    if (id == byHook.end()) return;
    const Subscription& s = subscriptions[id->second];
    switch (event) {
      case EVENT_SYSTEM_FOREGROUND:
        what = WindowEvent::Foreground;
        break;
      case EVENT_SYSTEM_MINIMIZESTART:
        what = WindowEvent::MinimizeStart;
        break;
      case EVENT_SYSTEM_MINIMIZEEND:
        what = WindowEvent::MinimizeEnd;
        break;
      case EVENT_OBJECT_LOCATIONCHANGE:
        what = WindowEvent::Location;
        break;
      default:
        return;
    }
    if (what != WindowEvent::Foreground && window != s.window) return;
    sink = s.sink;
  }
  // Delivered on the subscribing thread (out of context), where Unsubscribe also runs: the
  // sink cannot go away between the look-up and the call.
  sink->OnWindowEvent(what, FromHwnd(window));
}

// An out-of-context hook, filtered to a process and thread when the system allows it: Wine
// 8.0 refuses a filter for another process (ERROR_INVALID_PARAMETER), and the callback then
// filters by window alone.
HWINEVENTHOOK Hook(DWORD first, DWORD last, DWORD pid, DWORD thread) {
  HWINEVENTHOOK hook =
      ::SetWinEventHook(first, last, nullptr, OnWinEvent, pid, thread, WINEVENT_OUTOFCONTEXT);
  if (!hook && pid)
    hook = ::SetWinEventHook(first, last, nullptr, OnWinEvent, 0, 0, WINEVENT_OUTOFCONTEXT);
  return hook;
}

class Win32WindowEvents : public WindowEvents {
 public:
  WindowEventSubscription Subscribe(WindowHandle handle, WindowEventSink* sink) override {
    HWND window = ToHwnd(handle);
    DWORD pid = 0;
    DWORD thread = ::GetWindowThreadProcessId(window, &pid);
    if (!sink || !thread) return 0;
    Subscription s{window, sink, {}};
    // The window's own events only from its thread (location changes come for every caret
    // and cursor move of the whole desktop otherwise); the foreground from every process.
    s.hooks.push_back(Hook(EVENT_OBJECT_LOCATIONCHANGE, EVENT_OBJECT_LOCATIONCHANGE, pid, thread));
    s.hooks.push_back(Hook(EVENT_SYSTEM_MINIMIZESTART, EVENT_SYSTEM_MINIMIZEEND, pid, thread));
    s.hooks.push_back(Hook(EVENT_SYSTEM_FOREGROUND, EVENT_SYSTEM_FOREGROUND, 0, 0));
    for (HWINEVENTHOOK hook : s.hooks) {
      if (hook) continue;
      TraceLastError("SetWinEventHook");
      for (HWINEVENTHOOK made : s.hooks)
        if (made) ::UnhookWinEvent(made);
      return 0;
    }
    std::lock_guard<std::mutex> lock(subscriptionsMutex);
    WindowEventSubscription id = nextSubscription++;
    for (HWINEVENTHOOK hook : s.hooks) byHook[hook] = id;
    subscriptions[id] = std::move(s);
    return id;
  }

  void Unsubscribe(WindowEventSubscription id) override {
    std::vector<HWINEVENTHOOK> hooks;
    {
      std::lock_guard<std::mutex> lock(subscriptionsMutex);
      auto it = subscriptions.find(id);
      if (it == subscriptions.end()) return;
      hooks = std::move(it->second.hooks);
      subscriptions.erase(it);
      for (HWINEVENTHOOK hook : hooks) byHook.erase(hook);
    }
    // Events already queued for a removed hook find no subscription and are dropped.
    for (HWINEVENTHOOK hook : hooks) ::UnhookWinEvent(hook);
  }
};

}  // namespace

std::unique_ptr<WindowEvents> NewWindowEvents() { return std::make_unique<Win32WindowEvents>(); }

}  // namespace zq::win32
