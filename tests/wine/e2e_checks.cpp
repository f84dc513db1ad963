#include "tests/wine/e2e_checks.h"

#include <algorithm>

namespace zq::e2e {
namespace {

std::vector<NamedTest>& Registry() {
  static std::vector<NamedTest> tests;
  return tests;
}

}  // namespace

TestRegistration::TestRegistration(const char* name, TestBody body) {
  Registry().push_back({name, std::move(body)});
}

std::vector<NamedTest> RegisteredTests() {
  std::vector<NamedTest> tests = Registry();
  std::sort(tests.begin(), tests.end(),
            [](const NamedTest& a, const NamedTest& b) { return a.name < b.name; });
  return tests;
}

HWND StartedController(ClientRun& run, const std::wstring& exe) {
  Check(run.Started(), "the client starts");
  HWND controller = WaitWindow(run.Pid(), L"#32770", L"", kStartMs);
  Check(controller != nullptr, "the controller window (#32770) appears");
  Check(WaitIniValue(ConfigOf(exe), L"VersionCode", L"11", kStartMs),
        "VersionCode=11 is written beside the executable");
  return controller;
}

void ExitThroughTray(ClientRun& run, HWND controller) {
  ::PostMessageW(controller, WM_COMMAND, kExitCommand, 0);
  auto code = run.WaitExit(15000);
  Check(code.has_value(), "the Exit command ends the process");
  Check(*code == 0, "the exit code is 0, not " + std::to_string(*code));
}

}  // namespace zq::e2e
