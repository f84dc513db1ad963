// Thread binding of the platform object.
#include "platform/platform.h"

#include <cstdlib>

namespace zq {

namespace {
thread_local Platform* tlsPlatform = nullptr;
}

Platform* CurrentPlatform() { return tlsPlatform; }

Platform& Plat() {
  if (!tlsPlatform) std::abort();
  return *tlsPlatform;
}

void BindThread(Platform* platform) { tlsPlatform = platform; }

WindowEvents& NoWindowEvents() {
  struct None : WindowEvents {
    WindowEventSubscription Subscribe(WindowHandle, WindowEventSink*) override { return 0; }
    void Unsubscribe(WindowEventSubscription) override {}
  };
  static None none;
  return none;
}

}  // namespace zq
