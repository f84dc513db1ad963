// The window-events seam: another program's window moved, sized, minimised or restored, and
// which window came to the front, told to the client as they happen instead of at its tick.
#pragma once
#include <cstdint>

#include "platform/types.h"

namespace zq {

enum class WindowEvent {
  Location,       // the watched window moved or changed size
  MinimizeStart,  // the watched window is being minimised
  MinimizeEnd,    // the watched window was restored from its minimised state
  Foreground,     // another window (any, also the watched one) came to the front
};

// Receives the events of one subscription, on the thread that subscribed.
class WindowEventSink {
 public:
  virtual ~WindowEventSink() = default;
  // `window`: the watched window, or for Foreground the window now in front (0: none).
  // Must not let an exception escape.
  virtual void OnWindowEvent(WindowEvent event, WindowHandle window) = 0;
};

using WindowEventSubscription = std::uint32_t;  // 0: none

class WindowEvents {
 public:
  virtual ~WindowEvents() = default;
  // Watches a top-level window of any process: its location and minimise events, and every
  // foreground change. Events are queued for the calling thread and reach `sink` while that
  // thread waits for or pumps its messages, never inside the call that caused them. The sink
  // must stay alive until Unsubscribe. Returns 0 when the window cannot be watched.
  virtual WindowEventSubscription Subscribe(WindowHandle window, WindowEventSink* sink) = 0;
  // Ends a subscription on the thread that made it; events still queued for it are dropped.
  // 0 and an ended subscription are ignored.
  virtual void Unsubscribe(WindowEventSubscription subscription) = 0;
};

// A platform without window events: every subscription fails (returns 0).
WindowEvents& NoWindowEvents();

}  // namespace zq
