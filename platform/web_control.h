// The seam to the embedded web-browser control that panels host.
#pragma once
#include <memory>
#include <string>

#include "platform/types.h"

namespace zq {

// Filled in by the browser-host work.
class WebControls {
 public:
  virtual ~WebControls() = default;
};

}  // namespace zq
