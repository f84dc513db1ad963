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
  // The type library's registration: the library key under HKCR\TypeLib. The registry
  // scripts are applied by the client itself.
  HResult UpdateRegistration(bool registerServer) override {
    std::wstring key = std::wstring(L"TypeLib\\") + kLibIdClientLib;
    std::wstring module = p_.ModulePath();
    Registry& r = d_.registry();
    d_.Trace("process " + std::to_string(p_.pid()) +
             (registerServer ? " registers" : " unregisters") + " its type library");
    if (!registerServer) {
      r.DeleteTree(RegRoot::ClassesRoot, key);
      return hr::Ok;
    }
    r.CreateKey(RegRoot::ClassesRoot, key + L"\\1.0\\0\\win32");
    r.CreateKey(RegRoot::ClassesRoot, key + L"\\1.0\\FLAGS");
    r.CreateKey(RegRoot::ClassesRoot, key + L"\\1.0\\HELPDIR");
    r.SetString(RegRoot::ClassesRoot, key + L"\\1.0", L"", L"ClientLib");
    r.SetString(RegRoot::ClassesRoot, key + L"\\1.0\\0\\win32", L"", module);
    r.SetString(RegRoot::ClassesRoot, key + L"\\1.0\\FLAGS", L"", L"0");
    r.SetString(RegRoot::ClassesRoot, key + L"\\1.0\\HELPDIR", L"",
                module.substr(0, module.find_last_of(L"\\/:")));
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
