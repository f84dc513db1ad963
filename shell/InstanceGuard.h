// The single-instance guard: a named mutex shared by every instance, and bringing the
// running instance's window forward when a second one starts.
#pragma once
#include <string>

#include "platform/types.h"

namespace zq {

class CInstanceGuard {
 public:
  CInstanceGuard() = default;
  ~CInstanceGuard();
  CInstanceGuard(const CInstanceGuard&) = delete;
  CInstanceGuard& operator=(const CInstanceGuard&) = delete;

  // True when no other instance runs. `stringId` names the guard: the first line of that
  // string resource followed by " Class".
  bool Acquire(unsigned stringId);
  const std::wstring& Name() const { return name_; }

 private:
  MutexHandle mutex_ = 0;
  std::wstring name_;
  bool classRegistered_ = false;
};

}  // namespace zq
