// The thread seam: worker threads and locks. On the simulated desktop threads take turns
// under the virtual clock, so they must block only through this seam and the clock.
#pragma once
#include <cstdint>
#include <functional>
#include <memory>

namespace zq {

// A critical section: recursive for its owner thread.
class Lock {
 public:
  virtual ~Lock() = default;
  virtual void Enter() = 0;
  virtual void Leave() = 0;
};

class LockGuard {
 public:
  explicit LockGuard(Lock& lock) : lock_(lock) { lock_.Enter(); }
  ~LockGuard() { lock_.Leave(); }
  LockGuard(const LockGuard&) = delete;
  LockGuard& operator=(const LockGuard&) = delete;

 private:
  Lock& lock_;
};

class Threads {
 public:
  virtual ~Threads() = default;
  // Starts a worker in the calling thread's process. The body must not throw. Any thread.
  virtual bool Start(std::function<void()> body) = 0;
  virtual std::unique_ptr<Lock> NewLock() = 0;
  virtual std::uint32_t CurrentThreadId() = 0;
};

}  // namespace zq
