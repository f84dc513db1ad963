// Creating a component whose local server may never answer (Internet Explorer's application
// object under some systems) without holding the caller: a bounded creation on a worker.
#pragma once
#include <objbase.h>

#include <memory>
#include <mutex>

#include "platform/win32/win32_backend.h"

namespace zq::win32 {

// How long the client waits for a new Internet Explorer application object.
constexpr unsigned kIECreateLimitMs = 15000;
// What a creation that has not answered within its limit returns: the system's time-out
// error as a component result (HRESULT_FROM_WIN32(ERROR_TIMEOUT)).
constexpr HRESULT kCreationTimedOut = static_cast<HRESULT>(0x800705B4);

// CoCreateInstance(clsid, CLSCTX_ALL) on a worker thread of the multithreaded apartment,
// waited for at most `limitMs`; the object is handed to the caller's apartment. A creation
// that does not answer in time is abandoned: the caller gets kCreationTimedOut, and the
// worker releases the object if it ever comes. While an abandoned creation is still under
// way, further ones fail at once with the same code, so that a server that never answers
// costs one waiting thread, not one per attempt. Callable from any thread whose component
// runtime is initialised.
class BoundedCreator {
 public:
  explicit BoundedCreator(unsigned limitMs) : limitMs_(limitMs) {}
  BoundedCreator(const BoundedCreator&) = delete;
  BoundedCreator& operator=(const BoundedCreator&) = delete;
  HRESULT Create(REFCLSID clsid, REFIID iid, void** out);

  struct Attempt;

 private:
  const unsigned limitMs_;
  std::mutex lock_;
  std::shared_ptr<Attempt> abandoned_;
};

// The application objects, created within `createLimitMs`.
std::unique_ptr<IEApplications> NewIEApplications(unsigned createLimitMs);

}  // namespace zq::win32
