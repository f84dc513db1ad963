// Registration of the automation server: the scripts from the executable's resources are
// applied to the registry seam; the type library goes through the component seam.
#include "automation/ServerRegistration.h"

#include <map>

#include "app/ErrorReport.h"
#include "app/Text.h"
#include "automation/RegistryScript.h"
#include "platform/platform.h"

namespace zq {

std::wstring ModuleReplacement() {
  Processes& processes = Plat().processes();
  std::wstring module = processes.ModulePath();
  std::wstring path = processes.ShortPath(module);
  if (path.empty()) path = module;
  std::wstring quoted;
  for (wchar_t c : path) {
    quoted += c;
    if (c == L'\'') quoted += L'\'';
  }
  return quoted;
}

HResult UpdateRegistryFromResource(unsigned id, bool registerServer) {
  try {
    Platform& p = Plat();
    std::optional<std::string> raw = p.resources().Raw(L"REGISTRY", id);
    if (!raw) return hr::Fail;
    CRegistryScript script =
        CRegistryScript::Parse(FromUtf8(*raw), {{L"MODULE", ModuleReplacement()}});
    if (registerServer)
      script.Register(p.registry());
    else
      script.Unregister(p.registry());
    return hr::Ok;
  } catch (const ProcessExit&) {
    throw;
  } catch (const ComError& e) {
    return e.Code;
  } catch (...) {
    return hr::Fail;
  }
}

HResult UpdateServerRegistration(bool registerServer) {
  UpdateRegistryFromResource(IDR_CLIENT_APP_SCRIPT, registerServer);
  HResult classResult = UpdateRegistryFromResource(IDR_CLIENT_TRAY_SCRIPT, registerServer);
  if (classResult < 0) return classResult;
  return Plat().com().UpdateRegistration(registerServer);
}

}  // namespace zq
