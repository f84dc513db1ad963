// Shared by the Windows backend's tests: the process's Win32 platform bound to the test
// thread, a window handler that records what it is sent, and a scratch directory.
#pragma once
#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/win32/win32_platform.h"

namespace zq::win32::test {

// The platform of the test process (resources from the test executable itself).
inline Win32Platform& TestPlatform() {
  static Win32Platform* platform = new Win32Platform(::GetModuleHandleW(nullptr));
  BindThread(platform);
  return *platform;
}

class BackendTest : public ::testing::Test {
 protected:
  void SetUp() override { p = &TestPlatform(); }
  Windows& w() { return p->windows(); }
  Win32Platform* p = nullptr;
};

// Records the messages it gets; `on` may answer one instead of the default processing.
struct Recorder : WindowHandler {
  std::vector<unsigned> seen;
  std::function<std::optional<LResult>(WindowHandle, unsigned, WParam, LParam)> on;

  LResult OnMessage(WindowHandle h, unsigned m, WParam wp, LParam lp) override {
    seen.push_back(m);
    if (on)
      if (auto answer = on(h, m, wp, lp)) return *answer;
    return Plat().windows().DefaultProc(h, m, wp, lp);
  }
  bool Saw(unsigned m) const {
    for (unsigned s : seen)
      if (s == m) return true;
    return false;
  }
};

// A fresh directory under the temporary directory, with a trailing backslash.
inline std::wstring ScratchDirectory(const std::wstring& name) {
  wchar_t temp[MAX_PATH] = {};
  ::GetTempPathW(MAX_PATH, temp);
  std::wstring dir = std::wstring(temp) + L"zqwinunit-" + name + L"-" +
                     std::to_wstring(::GetCurrentProcessId()) + L"\\";
  ::CreateDirectoryW(dir.c_str(), nullptr);
  return dir;
}

}  // namespace zq::win32::test
