// The clock seam: wall-clock time and sleeping. On the simulated desktop time is virtual.
#pragma once
#include <cstdint>

#include "platform/types.h"

namespace zq {

class Clock {
 public:
  virtual ~Clock() = default;
  // Seconds since 1970-01-01 UTC. Any thread.
  virtual std::int64_t Now() = 0;
  virtual LocalTime Local() = 0;
  // Milliseconds since an arbitrary start, for intervals. Any thread.
  virtual std::uint64_t TickMs() = 0;
  // Blocks the calling thread without dispatching messages.
  virtual void Sleep(unsigned ms) = 0;
};

}  // namespace zq
