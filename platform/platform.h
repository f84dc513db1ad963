// The whole seam as one object per process, and how logic code finds its own process's.
// A backend binds the platform to each thread it starts; logic calls Plat() to reach it.
#pragma once
#include <memory>

#include "platform/accessibility.h"
#include "platform/clock.h"
#include "platform/com.h"
#include "platform/dde.h"
#include "platform/ie_app.h"
#include "platform/internet.h"
#include "platform/mutexes.h"
#include "platform/processes.h"
#include "platform/profile.h"
#include "platform/registry.h"
#include "platform/resources.h"
#include "platform/shell.h"
#include "platform/shell_windows.h"
#include "platform/system.h"
#include "platform/threads.h"
#include "platform/web_control.h"
#include "platform/window_events.h"
#include "platform/windowing.h"

namespace zq {

// State that the client keeps once per process (its "globals"). Owned by the platform
// object so that a simulated desktop can run several client processes side by side.
class ProcessState {
 public:
  virtual ~ProcessState() = default;
};

class Platform {
 public:
  virtual ~Platform() = default;
  virtual Windows& windows() = 0;
  virtual Clock& clock() = 0;
  virtual Threads& threads() = 0;
  virtual Profile& profile() = 0;
  virtual Registry& registry() = 0;
  virtual Processes& processes() = 0;
  virtual Mutexes& mutexes() = 0;
  virtual Resources& resources() = 0;
  virtual Shell& shell() = 0;
  virtual System& system() = 0;
  virtual Com& com() = 0;
  virtual Dde& dde() = 0;
  virtual ShellWindows& shellWindows() = 0;
  virtual WebControls& web() = 0;
  virtual Internet& internet() = 0;
  virtual IEApplications& ieApps() = 0;
  virtual Accessibility& accessibility() = 0;
  virtual WindowEvents& windowEvents() { return NoWindowEvents(); }

  // The client's per-process state; created by the client on first use.
  std::unique_ptr<ProcessState>& state() { return state_; }

 private:
  std::unique_ptr<ProcessState> state_;
};

// The platform of the calling thread's process. Set by the backend for every thread it
// runs; calling it on a thread without one is a programming error.
Platform& Plat();
Platform* CurrentPlatform();
// Binds the calling thread to a platform (backends only).
void BindThread(Platform* platform);

}  // namespace zq
