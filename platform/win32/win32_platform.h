// The Windows platform object: every seam on the real system, for the one client process
// that the executable is. Threads started through it bind themselves to it.
#pragma once
#include "platform/win32/win32_backend.h"

namespace zq::win32 {

class Win32Platform : public Platform {
 public:
  // `module` holds the resources (the executable's own instance handle).
  explicit Win32Platform(HINSTANCE module);
  ~Win32Platform() override;
  Win32Platform(const Win32Platform&) = delete;
  Win32Platform& operator=(const Win32Platform&) = delete;

  Windows& windows() override { return *windows_; }
  Clock& clock() override { return *clock_; }
  Threads& threads() override { return *threads_; }
  Profile& profile() override { return *profile_; }
  Registry& registry() override { return *registry_; }
  Processes& processes() override { return *processes_; }
  Mutexes& mutexes() override { return *mutexes_; }
  Resources& resources() override { return *resources_; }
  Shell& shell() override { return *shell_; }
  System& system() override { return *system_; }
  Com& com() override { return *com_; }
  Dde& dde() override { return *dde_; }
  ShellWindows& shellWindows() override { return *shellWindows_; }
  WebControls& web() override { return *web_; }
  IEApplications& ieApps() override { return *ieApps_; }
  Accessibility& accessibility() override { return *accessibility_; }
  Internet& internet() override { return *internet_; }
  WindowEvents& windowEvents() override { return *windowEvents_; }

 private:
  std::unique_ptr<Windows> windows_;
  std::unique_ptr<Clock> clock_;
  std::unique_ptr<Threads> threads_;
  std::unique_ptr<Profile> profile_;
  std::unique_ptr<Registry> registry_;
  std::unique_ptr<Processes> processes_;
  std::unique_ptr<Mutexes> mutexes_;
  std::unique_ptr<Resources> resources_;
  std::unique_ptr<Shell> shell_;
  std::unique_ptr<System> system_;
  std::unique_ptr<Com> com_;
  std::unique_ptr<Dde> dde_;
  std::unique_ptr<ShellWindows> shellWindows_;
  std::unique_ptr<WebControls> web_;
  std::unique_ptr<IEApplications> ieApps_;
  std::unique_ptr<Accessibility> accessibility_;
  std::unique_ptr<Internet> internet_;
  std::unique_ptr<WindowEvents> windowEvents_;
};

}  // namespace zq::win32
