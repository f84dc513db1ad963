// Registration of the automation server: the scripts from the executable's resources are
// applied to the registry seam; the type library goes through the component seam.
#include "automation/ServerRegistration.h"

#include <map>

#include "app/ErrorReport.h"
#include "app/Text.h"
#include "automation/RegistryScript.h"
#include "platform/platform.h"

namespace zq {

namespace {

// The registry as a script sees it: its classes root (HKCR) is the user's or the machine's
// own Software\Classes, never the merged view, so that a registration lands where it is
// meant to and an unregistration removes only what that registration wrote.
class ClassesScope : public Registry {
 public:
  ClassesScope(Registry& registry, RegRoot classes) : r_(registry), classes_(classes) {}
  bool CreateKey(RegRoot root, const std::wstring& subKey) override {
    return r_.CreateKey(Root(root), Path(root, subKey));
  }
  bool KeyExists(RegRoot root, const std::wstring& subKey) override {
    return r_.KeyExists(Root(root), Path(root, subKey));
  }
  bool SetString(RegRoot root, const std::wstring& subKey, const std::wstring& name,
                 const std::wstring& value) override {
    return r_.SetString(Root(root), Path(root, subKey), name, value);
  }
  std::optional<std::wstring> GetString(RegRoot root, const std::wstring& subKey,
                                        const std::wstring& name) override {
    return r_.GetString(Root(root), Path(root, subKey), name);
  }
  bool DeleteValue(RegRoot root, const std::wstring& subKey, const std::wstring& name) override {
    return r_.DeleteValue(Root(root), Path(root, subKey), name);
  }
  bool DeleteTree(RegRoot root, const std::wstring& subKey) override {
    return r_.DeleteTree(Root(root), Path(root, subKey));
  }

 private:
  RegRoot Root(RegRoot root) const { return root == RegRoot::ClassesRoot ? classes_ : root; }
  static std::wstring Path(RegRoot root, const std::wstring& subKey) {
    return root == RegRoot::ClassesRoot ? L"Software\\Classes\\" + subKey : subKey;
  }
  Registry& r_;
  RegRoot classes_;
};

HResult ApplyScript(unsigned id, bool registerServer, RegRoot classes) {
  try {
    Platform& p = Plat();
    std::optional<std::string> raw = p.resources().Raw(L"REGISTRY", id);
    if (!raw) return hr::Fail;
    CRegistryScript script =
        CRegistryScript::Parse(FromUtf8(*raw), {{L"MODULE", ModuleReplacement()}});
    ClassesScope scope(p.registry(), classes);
    if (registerServer)
      script.Register(scope);
    else
      script.Unregister(scope);
    return hr::Ok;
  } catch (const ProcessExit&) {
    throw;
  } catch (const ComError& e) {
    return e.Code;
  } catch (...) {
    return hr::Fail;
  }
}

// One scope's registration: (1) the application's script, whose result does not stop the
// rest; (2) the class's; (3) the type library, skipped when (2) failed.
HResult UpdateScope(bool registerServer, bool perUser) {
  const RegRoot classes = perUser ? RegRoot::CurrentUser : RegRoot::LocalMachine;
  ApplyScript(IDR_CLIENT_APP_SCRIPT, registerServer, classes);
  HResult classResult = ApplyScript(IDR_CLIENT_TRAY_SCRIPT, registerServer, classes);
  if (classResult < 0) return classResult;
  return Plat().com().UpdateRegistration(registerServer, perUser);
}

}  // namespace

std::wstring ModuleReplacement() {
  Processes& processes = Plat().processes();
  std::wstring module = processes.ModulePath();
  std::wstring path = processes.ShortPath(module);
  if (path.empty()) path = module;
  // Quoted whatever the form: an unquoted path with blanks would let the system try
  // "C:\Program.exe" first.
  std::wstring quoted = L"\"";
  for (wchar_t c : path) {
    quoted += c;
    if (c == L'\'') quoted += L'\'';
  }
  return quoted + L"\"";
}

HResult UpdateServerRegistration(bool registerServer) {
  const bool elevated = Plat().processes().IsElevated();
  // Without administrator rights only the user's own classes are written. An elevated run
  // registers machine-wide, and removes both, so that no earlier registration is left.
  if (registerServer) return UpdateScope(true, !elevated);
  HResult result = UpdateScope(false, true);
  return elevated ? UpdateScope(false, false) : result;
}

}  // namespace zq
