// Helpers for tests of the shell pieces inside one simulated process: a window that logs
// what it receives, and running the calling thread's messages for a stretch of virtual time.
#pragma once
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include <unistd.h>

#include "platform/platform.h"
#include "platform/sim/sim_desktop.h"

namespace zq::testing {

// A fresh, empty host directory for the running test's simulated desktop, inside one
// directory per process (apart from other build trees' runs) that goes when the process ends.
inline std::string FreshRoot() {
  static const struct ProcessDir {
    std::filesystem::path path =
        std::filesystem::path(::testing::TempDir()) / ("zq_tests_" + std::to_string(::getpid()));
    ~ProcessDir() {
      std::error_code ignored;
      std::filesystem::remove_all(path, ignored);
    }
  } dir;
  const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
  auto root = dir.path / (std::string(info->test_suite_name()) + "_" + info->name());
  std::filesystem::remove_all(root);
  std::filesystem::create_directories(root);
  return root.string();
}

// A hidden popup of `className` for `handler` on the calling thread.
inline WindowHandle MakePopup(const wchar_t* className, WindowHandler* handler) {
  WindowSpec desc;
  desc.className = className;
  desc.style = ws::Popup;
  desc.handler = handler;
  return Plat().windows().Create(desc);
}

// A top-level window that logs commands, WM_NULL and the client's own messages.
class LogWindow : public WindowHandler {
 public:
  LogWindow() : handle(MakePopup(L"TestLog", this)) {}
  ~LogWindow() override {
    if (CurrentPlatform() && handle) Plat().windows().Destroy(handle);
  }
  LResult OnMessage(WindowHandle window, unsigned message, WParam wParam, LParam lParam) override {
    if (message == wm::Command || message == wm::Null || message >= wm::User)
      log.emplace_back(message, wParam);
    return Plat().windows().DefaultProc(window, message, wParam, lParam);
  }
  std::vector<std::pair<unsigned, WParam>> log;
  const WindowHandle handle;
};

// Dispatches the calling thread's messages, its timers included, for `ms` of virtual time.
inline void RunFor(unsigned ms) {
  struct Stop : WindowHandler {
    LResult OnMessage(WindowHandle window, unsigned message, WParam wParam,
                      LParam lParam) override {
      if (message == wm::Timer && wParam == 0x7E57) Plat().windows().EndModal(window, 0);
      return Plat().windows().DefaultProc(window, message, wParam, lParam);
    }
  } stop;
  Windows& w = Plat().windows();
  WindowHandle clock = MakePopup(L"TestClock", &stop);
  w.SetTimer(clock, 0x7E57, ms);
  w.RunModalLoop(clock);
  w.Destroy(clock);
}

// A fresh simulated desktop per test, and a body run on the main thread of a process.
class ShellTest : public ::testing::Test {
 protected:
  ShellTest() : desktop(FreshRoot()) {}

  // Runs the body on the main thread of a process, however much virtual time it takes.
  void InProcess(const std::function<void()>& body) {
    bool done = false;
    desktop.Run([&] {
      desktop.StartProcess(L"C:\\Tools\\shell.exe", L"shell.exe", [&] {
        body();
        done = true;
        return 0;
      });
      desktop.Block([&] { return done; }, sim::kNever);
    });
    EXPECT_TRUE(done) << "the body did not finish";
  }

  // (virtual ms, text after the stamp) of every trace line holding `part`.
  std::vector<std::pair<long, std::string>> TraceWith(const std::string& part) {
    std::vector<std::pair<long, std::string>> found;
    for (const std::string& line : desktop.TraceLines()) {
      double seconds = 0;
      if (line.find(part) == std::string::npos || std::sscanf(line.c_str(), "[%lf]", &seconds) != 1)
        continue;
      found.emplace_back(static_cast<long>(seconds * 1000 + 0.5), line.substr(line.find(']') + 2));
    }
    return found;
  }

  sim::Desktop desktop;
};

}  // namespace zq::testing

// A test of `fixture` whose body runs through `runner` (a member taking the body).
#define ZQ_TEST_RUN_BY(runner, fixture, name)                                            \
  struct fixture##_##name##_Test : fixture {                                             \
    void TestBody() override {                                                           \
      runner([this] { Body(); });                                                        \
    }                                                                                    \
    void Body();                                                                         \
  };                                                                                     \
  [[maybe_unused]] ::testing::TestInfo* const fixture##_##name##_info =                  \
      ::testing::RegisterTest(#fixture, #name, nullptr, nullptr, __FILE__, __LINE__,     \
                              []() -> fixture* { return new fixture##_##name##_Test; }); \
  void fixture##_##name##_Test::Body()
// A test of a ShellTest whose body runs on the main thread of a process.
#define ZQ_IN_PROCESS_TEST(fixture, name) ZQ_TEST_RUN_BY(InProcess, fixture, name)
