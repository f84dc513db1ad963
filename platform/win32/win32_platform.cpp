// The Windows platform object: builds each seam's part once for the process.
#include "platform/win32/win32_platform.h"

namespace zq::win32 {

Win32Platform::Win32Platform(HINSTANCE module)
    : windows_(NewWindows(module)),
      clock_(NewClock()),
      threads_(NewThreads(*this)),
      profile_(NewProfile()),
      registry_(NewRegistry()),
      processes_(NewProcesses()),
      mutexes_(NewMutexes()),
      resources_(NewResources(module)),
      shell_(NewShell()),
      system_(NewSystem()),
      com_(NewCom()),
      dde_(NewDde()),
      shellWindows_(NewShellWindows()),
      web_(NewWebControls()),
      ieApps_(NewIEApplications()),
      accessibility_(NewAccessibility()),
      internet_(NewInternet()),
      windowEvents_(NewWindowEvents()) {}

Win32Platform::~Win32Platform() = default;

}  // namespace zq::win32
