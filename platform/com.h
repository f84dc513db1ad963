// The component-runtime seam: initialisation and the automation server's class objects
// and registration.
#pragma once
#include "platform/types.h"

namespace zq {

class Com {
 public:
  virtual ~Com() = default;
  virtual HResult Initialize() = 0;  // CoInitialize on the calling thread
  virtual void Uninitialize() = 0;
  // The automation server module: set up with the thread that runs the controller.
  virtual void InitModule(std::uint32_t mainThreadId) = 0;
  virtual void TermModule() = 0;
  // Registers or unregisters the server's type library, for the current user only
  // (HKCU\Software\Classes) or machine-wide; the client applies its registration scripts
  // itself through the registry seam.
  virtual HResult UpdateRegistration(bool registerServer, bool perUser) = 0;
  virtual HResult RegisterClassObjects() = 0;  // local server, multiple use
  virtual void RevokeClassObjects() = 0;
};

}  // namespace zq
