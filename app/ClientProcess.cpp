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

bool StartClientWorker(std::function<void()> body) {
  ClientProcess& proc = Proc();
  ++proc.Workers;
  // Counted out however the body ends, an end of the process included.
  struct Done {
    ClientProcess& proc;
    ~Done() { --proc.Workers; }
  };
  ClientProcess* counted = &proc;
  bool started = Plat().threads().Start([counted, body = std::move(body)] {
    Done done{*counted};
    body();
  });
  if (!started) --proc.Workers;
  return started;
}

bool ClientEnding() { return Proc().Ending; }

void WaitForClientWorkers(unsigned boundMs) {
  constexpr unsigned kLookMs = 10;
  ClientProcess& proc = Proc();
  proc.Ending = true;
  Clock& clock = Plat().clock();
  const std::uint64_t start = clock.TickMs();
  while (proc.Workers > 0 && clock.TickMs() - start < boundMs) clock.Sleep(kLookMs);
}

}  // namespace zq
