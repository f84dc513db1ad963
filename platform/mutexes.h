// The named-mutex seam, used by the single-instance guard.
#pragma once
#include <string>

#include "platform/types.h"

namespace zq {

class Mutexes {
 public:
  virtual ~Mutexes() = default;
  // Like CreateMutexW (not owned): returns the handle, and sets alreadyExisted when a
  // mutex of that name was already open in some process.
  virtual MutexHandle Create(const std::wstring& name, bool& alreadyExisted) = 0;
  virtual void Close(MutexHandle mutex) = 0;
};

}  // namespace zq
