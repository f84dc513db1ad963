// The seam to the shell's list of open browser windows (Internet Explorer and folders).
#pragma once
#include <optional>
#include <string>

#include "platform/types.h"

namespace zq {

// Filled in by the browser-detection work.
class ShellWindows {
 public:
  virtual ~ShellWindows() = default;
};

}  // namespace zq
