// Window events on the simulated desktop: what moves, minimises, restores or brings a window
// to the front raises them here, and each subscriber's thread gets them while it pumps.
#pragma once
#include <cstdint>
#include <memory>

#include "platform/window_events.h"

namespace zq::sim {

class Desktop;
struct SimThread;

// Queues the event for every subscription that watches `window` (every subscription for
// Foreground, where `window` is the window now in front). Does nothing without subscribers.
void RaiseWindowEvent(Desktop& d, WindowEvent event, WindowHandle window);
// Whether events wait for the thread; the message loops wake for them.
bool WindowEventsWaiting(Desktop& d, std::uint32_t thread);
// Hands the thread's queued events to their sinks, oldest first (called on that thread, where
// it handles sent messages).
void DeliverWindowEvents(Desktop& d, SimThread& thread);

std::unique_ptr<WindowEvents> NewSimWindowEvents(Desktop& d);

}  // namespace zq::sim
