// Shared by the Windows backend's tests: the process's Win32 platform bound to the test
// thread, and a scratch directory.
#pragma once
#include <gtest/gtest.h>

#include <string>

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
