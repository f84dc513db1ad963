// The simulated desktop's component runtime: initialisation, the automation server's class
// objects and the type library's registration.
#include "automation/ClientTray.h"
#include "platform/sim/sim_desktop.h"
#include "platform/sim/sim_registry.h"

namespace zq::sim {

namespace {

// The component runtime: records what the client asks of it. The automation server's
// registration is written by the client through the registry seam.
class SimCom : public Com {
 public:
  SimCom(Desktop& d, SimProcess& p) : d_(d), p_(p) {}
  HResult Initialize() override {
    if (d_.failCoInitialize) return hr::Fail;
    return hr::Ok;
  }
  void Uninitialize() override {}
  void InitModule(std::uint32_t) override {}
  void TermModule() override {}
  // The type library's registration: the library key under the user's or the machine's
  // Software\Classes\TypeLib. The registry scripts are applied by the client itself.
  HResult UpdateRegistration(bool registerServer, bool perUser) override {
    const RegRoot root = perUser ? RegRoot::CurrentUser : RegRoot::LocalMachine;
    std::wstring key = std::wstring(L"Software\\Classes\\TypeLib\\") + kLibIdClientLib;
    std::wstring module = p_.ModulePath();
    Registry& r = d_.registry();
    d_.Trace("process " + std::to_string(p_.pid()) +
             (registerServer ? " registers" : " unregisters") + " its type library" +
             (perUser ? " for the user" : " for the machine"));
    if (!registerServer) {
      r.DeleteTree(root, key);
      return hr::Ok;
    }
    r.CreateKey(root, key + L"\\1.0\\0\\win32");
    r.CreateKey(root, key + L"\\1.0\\FLAGS");
    r.CreateKey(root, key + L"\\1.0\\HELPDIR");
    r.SetString(root, key + L"\\1.0", L"", L"ClientLib");
    r.SetString(root, key + L"\\1.0\\0\\win32", L"", module);
    r.SetString(root, key + L"\\1.0\\FLAGS", L"", L"0");
    r.SetString(root, key + L"\\1.0\\HELPDIR", L"", module.substr(0, module.find_last_of(L"\\/:")));
    return hr::Ok;
  }
  HResult RegisterClassObjects() override {
    if (d_.failClassObjects) return hr::Fail;
    classObjects_ = true;
    return hr::Ok;
  }
  void RevokeClassObjects() override { classObjects_ = false; }

 private:
  Desktop& d_;
  SimProcess& p_;
  bool classObjects_ = false;
};

}  // namespace

std::unique_ptr<Com> NewSimCom(Desktop& d, SimProcess& p) { return std::make_unique<SimCom>(d, p); }

}  // namespace zq::sim
