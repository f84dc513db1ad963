// Creation of the per-process client state.
#include "app/ClientProcess.h"

#include "app/AppConsts.h"
#include "app/ClientApp.h"

namespace zq {

ClientProcess::ClientProcess() : ConstsCreationLock(Plat().threads().NewLock()) {}

ClientProcess::~ClientProcess() {
  App.reset();
  Consts = nullptr;
  ConstsOwner.reset();
}

ClientProcess& Proc() {
  auto& slot = Plat().state();
  if (!slot) slot = std::make_unique<ClientProcess>();
  return static_cast<ClientProcess&>(*slot);
}

}  // namespace zq
