// The automation server's registration for the "RegServer" and "UnregServer" switches:
// the two registration scripts, then the type library through the component seam.
#pragma once
#include <string>

#include "platform/types.h"

namespace zq {

// Resource ids (type "REGISTRY") of the application's and the class's scripts.
constexpr unsigned IDR_CLIENT_APP_SCRIPT = 103;
constexpr unsigned IDR_CLIENT_TRAY_SCRIPT = 104;

// The value of %MODULE%: the executable's short path (its full path when the system has no
// short form) in double quotes, with every single quote doubled, as the scripts quote it.
std::wstring ModuleReplacement();

// "RegServer" (true) or "UnregServer" (false): (1) script 103, whose result does not stop
// the rest; (2) script 104 for the class (it declares no component categories); (3) the
// type library, skipped when (2) failed. Without administrator rights this is the user's
// registration (HKCU\Software\Classes); elevated, "RegServer" registers machine-wide and
// "UnregServer" removes both. Returns the result of the last step run.
HResult UpdateServerRegistration(bool registerServer);

}  // namespace zq
