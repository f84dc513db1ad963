// The simulated web-browser control: records navigations and written documents and lets a
// scenario act as the page.
#pragma once
#include "platform/web_control.h"

namespace zq::sim {

class Desktop;

class SimWebControls : public WebControls {
 public:
  explicit SimWebControls(Desktop& d) : d_(d) {}

 private:
  Desktop& d_;
};

}  // namespace zq::sim
