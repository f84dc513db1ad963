// Tests of what only the simulated desktop has: virtual time, the turn-taking scheduler and
// its lock waiters, timers under message boxes, ended threads and processes ending.
#include <gtest/gtest.h>

#include <memory>
#include <optional>

#include "tests/unit/shell_test_util.h"

using namespace zq;
using zq::sim::Desktop;

namespace {

const wchar_t* const kModule = L"C:\\Tools\\probe.exe";
constexpr unsigned kPing = wm::User + 1;

// A hidden popup whose timer and private messages go to `on`.
struct HookWindow : WindowHandler {
  std::function<LResult(WindowHandle, unsigned)> on;
  const WindowHandle handle = zq::testing::MakePopup(L"ZQProbe", this);
  LResult OnMessage(WindowHandle window, unsigned message, WParam wParam, LParam lParam) override {
    if (on && (message == wm::Timer || message >= wm::User)) return on(window, message);
    return Plat().windows().DefaultProc(window, message, wParam, lParam);
  }
};

std::uint64_t Now() { return Plat().clock().TickMs(); }
void Sleep(unsigned ms) { Plat().clock().Sleep(ms); }

using SimDesktopTest = zq::testing::ShellTest;

// A thread's sleep moves only the virtual clock: a message posted before it waits until
// the thread pumps again.
ZQ_IN_PROCESS_TEST(SimDesktopTest, SleepMovesOnlyTheVirtualClockAndDispatchesNothing) {
  HookWindow h;
  int handled = 0;
  h.on = [&](WindowHandle, unsigned) -> LResult { return ++handled; };
  Plat().windows().Post(h.handle, kPing, 0, 0);
  Sleep(90 * 60 * 1000);
  EXPECT_EQ(Now(), 90u * 60 * 1000);
  EXPECT_EQ(handled, 0);
  Plat().windows().PumpPending();
  EXPECT_EQ(handled, 1);
}

// Two workers of different periods and two threads on one lock (recursive for its owner):
// the log is their order of turns, the same in every run; the waiter resumes only when the
// owner leaves for good.
std::vector<std::string> Turns(const std::string& root) {
  Desktop d(root);
  std::vector<std::string> log;
  d.Run([&] {
    d.StartProcess(kModule, kModule, [&] {
      auto stamp = [&log](const std::string& what) {
        log.push_back(what + "@" + std::to_string(Now()));
      };
      auto worker = [stamp](char name, unsigned period, int rounds) {
        return [=] {
          for (int i = 0; i < rounds; ++i, Sleep(period)) stamp(name + std::to_string(i));
        };
      };
      std::shared_ptr<Lock> lock = Plat().threads().NewLock();
      Plat().threads().Start(worker('A', 10, 5));
      Plat().threads().Start(worker('B', 25, 3));
      Plat().threads().Start([lock, stamp] {
        lock->Enter();
        lock->Enter();
        Sleep(100);
        lock->Leave();
        stamp("X left once");
        Sleep(50);
        lock->Leave();
        stamp("X released");
      });
      Plat().threads().Start([lock, stamp] {
        lock->Enter();
        stamp("Y holds");
        lock->Leave();
      });
      Sleep(1000);
      return 0;
    });
    d.SleepMs(2000);
  });
  return log;
}

TEST(SimScheduler, ThreadsAndLockWaitersTakeTurnsInTheSameOrderEveryRun) {
  std::string root = zq::testing::FreshRoot();
  std::vector<std::string> first = Turns(root);
  EXPECT_EQ(first, (std::vector<std::string>{"A0@0", "B0@0", "A1@10", "A2@20", "B1@25", "A3@30",
                                             "A4@40", "B2@50", "X left once@100", "X released@150",
                                             "Y holds@150"}));
  for (int run = 0; run < 3; ++run) EXPECT_EQ(Turns(root), first);
}

TEST_F(SimDesktopTest, TimerKeepsTickingUnderAMessageBoxShownByItsOwnTick) {
  std::vector<std::string> log;
  desktop.Run([&] {
    desktop.StartProcess(kModule, kModule, [&] {
      Windows& w = Plat().windows();
      HookWindow h;
      int depth = 0;
      h.on = [&](WindowHandle win, unsigned) -> LResult {
        std::uint64_t now = Now();
        log.push_back(std::to_string(now) + (depth ? " nested" : ""));
        if (now == 100) {
          ++depth;
          int answer = w.MessageBox(win, L"Go on?", L"Probe", mb::OkCancel);
          --depth;
          log.push_back("box " + std::to_string(answer) + " at " + std::to_string(Now()));
        }
        if (now == 800) w.EndModal(win, 0);
        return 0;
      };
      w.SetTimer(h.handle, 1, 100);
      w.RunModalLoop(h.handle);
      return 0;
    });
    desktop.SleepMs(550);
    EXPECT_TRUE(desktop.AnswerBox(0, mb::IdCancel));
    desktop.SleepMs(1000);
  });
  EXPECT_EQ(log, (std::vector<std::string>{"100", "200 nested", "300 nested", "400 nested",
                                           "500 nested", "box 2 at 550", "600", "700", "800"}));
}

// Long runs hold only what still runs (threads over days: the soak): an ended thread is
// forgotten, a send waiting on a thread that ends meanwhile returns 0 instead of touching
// it, and a bounded trace keeps the newest lines while its sink still sees every one.
TEST_F(SimDesktopTest, EndedThreadsAndOldTraceLinesAreReleased) {
  std::vector<std::string> sunk;
  desktop.traceSink = [&](const std::string& line) { sunk.push_back(line); };
  std::uint32_t owner = 0;
  LResult sent = -1;
  std::uint64_t sendReturnedAt = 0, ownerEndedAt = 0;
  desktop.Run([&] {
    desktop.StartProcess(kModule, kModule, [&] {
      Threads& threads = Plat().threads();
      // A thread with a window and no message loop, which ends while a send waits on it.
      std::optional<HookWindow> h;
      WindowHandle win = 0;
      threads.Start([&] {
        owner = threads.CurrentThreadId();
        win = h.emplace().handle;
        Sleep(100);
        ownerEndedAt = Now();
      });
      Sleep(10);
      threads.Start([&] {
        sent = Plat().windows().Send(win, kPing, 1, 2);
        sendReturnedAt = Now();
      });
      Sleep(200);
      return 0;
    });
    desktop.SleepMs(1000);
  });
  EXPECT_EQ(desktop.Thread(owner), nullptr);
  EXPECT_EQ(sent, 0);
  EXPECT_GT(ownerEndedAt, 0u);
  EXPECT_EQ(sendReturnedAt, ownerEndedAt);

  ASSERT_GE(sunk.size(), 2u);
  EXPECT_EQ(std::vector<std::string>(desktop.TraceLines().begin(), desktop.TraceLines().end()),
            sunk);
  desktop.KeepTraceLines(2);
  desktop.Trace("one more");
  ASSERT_EQ(desktop.TraceLines().size(), 2u);
  EXPECT_EQ(desktop.TraceLines().front(), sunk[sunk.size() - 2]);
  EXPECT_NE(sunk.back().find("one more"), std::string::npos);
  EXPECT_EQ(sunk.back(), desktop.TraceLines().back());
}

TEST_F(SimDesktopTest, ExitProcessFromAWorkerEndsOnlyItsOwnProcess) {
  bool unwound = false, afterLoop = false;
  WindowHandle doomedWindow = 0;
  int ticks = 0;
  desktop.Run([&] {
    std::uint32_t doomed = desktop.StartProcess(kModule, kModule, [&] {
      struct Unwind {
        bool& flag;
        ~Unwind() { flag = true; }
      } guard{unwound};
      HookWindow h;
      doomedWindow = h.handle;
      Plat().threads().Start([] {
        Sleep(100);
        Plat().processes().ExitProcess(5);
      });
      Plat().windows().RunModalLoop(doomedWindow);
      afterLoop = true;
      return 0;
    });
    std::uint32_t survivor = desktop.StartProcess(kModule, kModule, [&] {
      HookWindow h;
      h.on = [&](WindowHandle, unsigned) -> LResult { return ++ticks; };
      Plat().windows().SetTimer(h.handle, 1, 50);
      Plat().windows().RunModalLoop(h.handle);
      return 0;
    });
    desktop.SleepMs(320);
    sim::SimProcess* p = desktop.Process(doomed);
    ASSERT_NE(p, nullptr);
    EXPECT_TRUE(p->ended && unwound && !afterLoop);
    EXPECT_EQ(p->exitCode, 5);
    EXPECT_EQ(desktop.Window(doomedWindow), nullptr);
    EXPECT_FALSE(desktop.Process(survivor)->ended);
    EXPECT_EQ(ticks, 6);
    desktop.SleepMs(500);
    EXPECT_EQ(ticks, 16);
  });
}

}  // namespace
