// The client's process-wide objects, kept once per process on the platform object:
// the application object, the constants with their creation lock, and the other
// values that live as long as the process.
#pragma once
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>

#include "platform/platform.h"

namespace zq {

class CAppConsts;
class CClientApp;
struct AddressBarCache;

class ClientProcess : public ProcessState {
 public:
  ClientProcess();
  ~ClientProcess() override;

  // Guards the creation of the constants; made before the application object.
  std::unique_ptr<Lock> ConstsCreationLock;
  // The constants while they exist (read without the lock), and their owner: workers hold
  // them through HoldAppConsts, so that the end of the process frees them only after the
  // last worker has let go. Set once they were destroyed: they are never built again.
  std::atomic<CAppConsts*> Consts{nullptr};
  std::shared_ptr<CAppConsts> ConstsOwner;
  bool ConstsDestroyed = false;
  // The application object; made by ClientMain.
  std::unique_ptr<CClientApp> App;
  // The client's own worker threads still running (StartClientWorker), and whether the
  // process is ending, which tells a waiting worker to give up.
  std::atomic<int> Workers{0};
  std::atomic<bool> Ending{false};
  // Browser detection's cached Internet Explorer version kind: 0 version 7, 1 any other,
  // negative not determined yet (0x80004005 at start, else the last failed check's code).
  std::int32_t IEVersionKind = static_cast<std::int32_t>(0x80004005u);
  // Browser detection's found address bar of today's browsers (TodayDetection.cpp).
  std::shared_ptr<AddressBarCache> AddressBars;
};

// The calling thread's process state, created on first use.
ClientProcess& Proc();

// Starts a worker thread that the end of the process waits for (a connectivity check, a
// notification's tracking). False when none was started. Any thread.
bool StartClientWorker(std::function<void()> body);
// True once the process is ending: a worker that waits for something stops waiting.
bool ClientEnding();
// Marks the process as ending and waits, at most `boundMs` of clock time, for its workers
// to finish. Main thread, before it frees what workers reach.
void WaitForClientWorkers(unsigned boundMs);

}  // namespace zq
