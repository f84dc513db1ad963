// The system seam: facts about the running system that have no better home.
#pragma once
#include <cstdint>
#include <optional>
#include <string>

namespace zq {

class System {
 public:
  virtual ~System() = default;
  // The system's message text for a result code (FormatMessageW), or nothing.
  virtual std::optional<std::wstring> ErrorText(std::int32_t code) = 0;
  // Low byte of GetVersion: the major version of the operating system.
  virtual int MajorVersion() = 0;
};

}  // namespace zq
