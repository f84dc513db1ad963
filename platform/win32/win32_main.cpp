// The entry point of ZephquillClient.exe: the Windows platform for this process, bound to
// the main thread, then the client's own start-up and shutdown.
#include "app/ClientApp.h"
#include "platform/win32/win32_platform.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
  // Deliberately never destroyed: worker threads may still use it while the process ends,
  // and the system releases every handle and window of the process at its end.
  auto* platform = new zq::win32::Win32Platform(instance);
  zq::BindThread(platform);
  try {
    return zq::ClientMain();
  } catch (...) {
    return 1;
  }
}
