// The simulated window events: subscriptions per desktop, one queue per subscribing thread,
// delivered like sent messages (before posted ones) while that thread waits or pumps.
#include "platform/sim/sim_window_events.h"

#include <deque>
#include <map>

#include "platform/sim/sim_desktop.h"

namespace zq::sim {

struct SimWindowEventsState {
  struct Subscription {
    std::uint32_t thread;
    WindowHandle window;
    WindowEventSink* sink;
  };
  struct Pending {
    WindowEventSubscription subscription;
    WindowEvent event;
    WindowHandle window;
  };
  std::map<WindowEventSubscription, Subscription> subscriptions;
  std::map<std::uint32_t, std::deque<Pending>> queues;
  WindowEventSubscription next = 1;
};

namespace {

SimWindowEventsState& State(Desktop& d) {
  if (!d.windowEventsState) d.windowEventsState = std::make_shared<SimWindowEventsState>();
  return *d.windowEventsState;
}

class SimWindowEvents : public WindowEvents {
 public:
  explicit SimWindowEvents(Desktop& d) : d_(d) {}

  WindowEventSubscription Subscribe(WindowHandle window, WindowEventSink* sink) override {
    if (!sink || !d_.Window(window)) return 0;
    SimWindowEventsState& s = State(d_);
    WindowEventSubscription id = s.next++;
    s.subscriptions[id] = {d_.Current().id, window, sink};
    return id;
  }

  void Unsubscribe(WindowEventSubscription subscription) override {
    if (!d_.windowEventsState || subscription == 0) return;
    SimWindowEventsState& s = *d_.windowEventsState;
    auto it = s.subscriptions.find(subscription);
    if (it == s.subscriptions.end()) return;
    auto& queue = s.queues[it->second.thread];
    for (auto p = queue.begin(); p != queue.end();)
      p = p->subscription == subscription ? queue.erase(p) : std::next(p);
    s.subscriptions.erase(it);
  }

 private:
  Desktop& d_;
};

}  // namespace

void RaiseWindowEvent(Desktop& d, WindowEvent event, WindowHandle window) {
  if (!d.windowEventsState) return;
  SimWindowEventsState& s = *d.windowEventsState;
  for (auto& [id, sub] : s.subscriptions)
    if (event == WindowEvent::Foreground || sub.window == window)
      s.queues[sub.thread].push_back({id, event, window});
}

bool WindowEventsWaiting(Desktop& d, std::uint32_t thread) {
  if (!d.windowEventsState) return false;
  auto& queues = d.windowEventsState->queues;
  auto it = queues.find(thread);
  return it != queues.end() && !it->second.empty();
}

void DeliverWindowEvents(Desktop& d, SimThread& thread) {
  while (WindowEventsWaiting(d, thread.id)) {
    SimWindowEventsState& s = *d.windowEventsState;
    auto& queue = s.queues[thread.id];
    SimWindowEventsState::Pending next = queue.front();
    queue.pop_front();
    auto it = s.subscriptions.find(next.subscription);
    // The sink may subscribe or unsubscribe, and events may be raised, while it runs.
    if (it != s.subscriptions.end()) it->second.sink->OnWindowEvent(next.event, next.window);
  }
}

std::unique_ptr<WindowEvents> NewSimWindowEvents(Desktop& d) {
  return std::make_unique<SimWindowEvents>(d);
}

}  // namespace zq::sim
