// Fake web browsers on the simulated desktop: their windows, their DDE server and their
// entries in the shell's window list.
#pragma once
#include "platform/dde.h"
#include "platform/shell_windows.h"

namespace zq::sim {

class Desktop;

class SimDde : public Dde {
 public:
  explicit SimDde(Desktop& d) : d_(d) {}
  std::optional<std::string> Request(const std::wstring& service, const std::wstring& topic,
                                     const std::wstring& item, unsigned timeoutMs) override {
    return std::nullopt;
  }

 private:
  Desktop& d_;
};

class SimShellWindows : public ShellWindows {
 public:
  explicit SimShellWindows(Desktop& d) : d_(d) {}

 private:
  Desktop& d_;
};

}  // namespace zq::sim
