// Contract cases of message delivery: post and send order, sends between threads, workers,
// modal loops and their nesting, the pre-translate chain, the quit message, and timers.
#include "tests/contract/contract.h"

namespace zq::contract {
namespace {

Desktop& D() { return TheDesktop(); }
Windows& W() { return Plat().windows(); }
std::uint32_t ThisThread() { return Plat().threads().CurrentThreadId(); }
constexpr unsigned kMsg = wm::User;
// The keyboard cases' VK_ESCAPE, VK_F5 and IDCANCEL.
constexpr WParam kEscape = 27, kF5 = 0x74, kIdCancel = 2;

std::vector<unsigned> Private(const Recorder& r) {
  std::vector<unsigned> out;
  for (unsigned m : r.seen)
    if (m >= kMsg && m < wm::App) out.push_back(m - kMsg);
  return out;
}

// Posted messages come in their order; a send on the window's own thread is handled at
// once, ahead of what was posted; nothing reaches a window that is gone.
TEST(MessagesContract, PostAndSendOrder) {
  D().Run([] {
    Recorder r;
    WindowHandle h = Open(r);
    EXPECT_TRUE(W().Post(h, kMsg + 1, 0, 0));
    EXPECT_TRUE(W().Post(h, kMsg + 2, 0, 0));
    W().Send(h, kMsg + 3, 0, 0);
    W().PumpPending();
    EXPECT_EQ(Private(r), (std::vector<unsigned>{3, 1, 2}));
    W().Destroy(h);
    EXPECT_FALSE(W().Post(h, kMsg, 0, 0));
    EXPECT_EQ(W().Send(h, kMsg, 0, 0), 0);
  });
}

// A thread that waits in a send still handles what is sent to it meanwhile: the worker's
// window answers the main thread's send by sending back to the main thread's window.
TEST(MessagesContract, CrossThreadSendHandlesIncomingSendsWhileWaiting) {
  D().Run([] {
    const std::uint32_t mainThread = ThisThread();
    Recorder mine;
    std::atomic<std::uint32_t> handledOn{0};
    mine.on = [&](WindowHandle, unsigned m, WParam wp, LParam) -> std::optional<LResult> {
      if (m != kMsg) return std::nullopt;
      handledOn = ThisThread();
      return static_cast<LResult>(wp) * 10;
    };
    WindowHandle h = Open(mine);
    std::atomic<WindowHandle> theirs{0};
    std::atomic<bool> done{false};
    ASSERT_TRUE(Plat().threads().Start([&] {
      Recorder r;
      r.endOn = kMsg + 1;
      r.on = [&](WindowHandle, unsigned m, WParam wp, LParam) -> std::optional<LResult> {
        if (m == kMsg) return W().Send(h, kMsg, wp + 1, 0) + 1;
        return std::nullopt;
      };
      WindowHandle self = Open(r);
      theirs = self;
      W().RunModalLoop(self);
      W().Destroy(self);
      done = true;
    }));
    ASSERT_TRUE(PumpUntil([&] { return theirs != 0; }));
    EXPECT_NE(W().ThreadOf(theirs), mainThread);
    EXPECT_EQ(W().Send(theirs, kMsg, 4, 0), 51);
    EXPECT_EQ(handledOn, mainThread);
    W().Post(theirs, kMsg + 1, 0, 0);
    EXPECT_TRUE(PumpUntil([&] { return done.load(); }));
    W().Destroy(h);
  });
}

// A worker runs on a thread of its own, bound to the platform; it may destroy a window of
// another thread, whose handler hears the destruction on the window's own thread. A lock
// is recursive for its owner.
TEST(MessagesContract, WorkersLocksAndDestructionFromAnotherThread) {
  D().Run([] {
    Recorder r;
    std::uint32_t destroyedOn = 0;
    r.on = [&](WindowHandle, unsigned m, WParam, LParam) -> std::optional<LResult> {
      if (m == wm::Destroy) destroyedOn = ThisThread();
      return std::nullopt;
    };
    WindowHandle h = Open(r);
    Platform* platform = &Plat();
    std::atomic<Platform*> seen{nullptr};
    std::atomic<std::uint32_t> worker{0};
    std::atomic<int> destroyed{-1};
    ASSERT_TRUE(Plat().threads().Start([&] {
      seen = CurrentPlatform();
      worker = ThisThread();
      destroyed = W().Destroy(h) ? 1 : 0;
    }));
    ASSERT_TRUE(PumpUntil([&] { return destroyed != -1; }));
    EXPECT_EQ(seen.load(), platform);
    EXPECT_NE(worker.load(), ThisThread());
    EXPECT_EQ(destroyed, 1);
    EXPECT_EQ(destroyedOn, ThisThread());
    EXPECT_FALSE(W().IsWindow(h));
    auto lock = Plat().threads().NewLock();
    LockGuard outer(*lock);
    LockGuard inner(*lock);
  });
}

// EndModal ends the loop of its window with its result; a quit message ends every nested
// loop with -1 and stays posted for the loops outside.
TEST(MessagesContract, NestedModalLoopsAndTheQuitMessage) {
  D().Run([] {
    Recorder outer, inner;
    outer.endOn = kMsg;
    WindowHandle o = Open(outer), i = Open(inner);
    int innerResult = 0;
    outer.on = [&](WindowHandle, unsigned m, WParam, LParam) -> std::optional<LResult> {
      if (m == kMsg + 1) {
        W().Post(i, kMsg + 2, 0, 0);
        innerResult = W().RunModalLoop(i);
      }
      return std::nullopt;
    };
    inner.on = [&](WindowHandle, unsigned m, WParam, LParam) -> std::optional<LResult> {
      if (m == kMsg + 2) W().PostQuit(3);
      return std::nullopt;
    };
    W().Post(o, kMsg, 0, 0);
    EXPECT_EQ(W().RunModalLoop(o), 1);
    W().Post(o, kMsg + 1, 0, 0);
    EXPECT_EQ(W().RunModalLoop(o), -1);
    EXPECT_EQ(innerResult, -1);
    EXPECT_EQ(W().RunModalLoop(i), -1) << "the quit message is still posted";
    W().Destroy(o);
    W().Destroy(i);
  });
}

// Before a modal loop dispatches a message, the message's window, then each parent (owner
// for a pop-up) nearest first, then the modal window when it was not among them, may take
// it; one that takes it ends the walk and nothing dispatches it.
TEST(MessagesContract, PreTranslateChainBeforeDispatch) {
  D().Run([] {
    std::vector<std::string> asked;
    WindowHandle taker = 0;
    Recorder modal, middle, leaf, stranger;
    const std::pair<Recorder*, const char*> names[] = {
        {&modal, "modal"}, {&middle, "middle"}, {&leaf, "leaf"}, {&stranger, "stranger"}};
    for (auto [r, name] : names)
      r->swallow = [&asked, &taker, name = name](WindowHandle h, unsigned m, WParam) {
        if (m == wm::KeyDown) asked.push_back(name);
        return m == wm::KeyDown && h == taker;
      };
    modal.endOn = kMsg;
    WindowHandle m = Open(modal);
    WindowHandle g = Open(leaf, ws::Child, Open(middle, ws::Child, m), Rect{0, 0, 20, 20});
    WindowHandle s = Open(stranger);
    auto run = [&](WindowHandle target, WindowHandle take) {
      asked.clear();
      taker = take;
      leaf.seen.clear();
      W().Post(target, wm::KeyDown, kF5, 0);
      W().Post(m, kMsg, 0, 0);
      EXPECT_EQ(W().RunModalLoop(m), 1);
      return asked;
    };
    EXPECT_EQ(run(g, 0), (std::vector<std::string>{"leaf", "middle", "modal"}));
    EXPECT_TRUE(leaf.Saw(wm::KeyDown)) << "nobody took it: dispatched";
    EXPECT_EQ(run(g, g), (std::vector<std::string>{"leaf"}));
    EXPECT_FALSE(leaf.Saw(wm::KeyDown)) << "taken: not dispatched";
    EXPECT_EQ(run(s, 0), (std::vector<std::string>{"stranger", "modal"}));
    W().Destroy(s);
    W().Destroy(m);
  });
}

// The dialog manager turns Escape in a dialog's loop into its Cancel command unless the
// pre-translation takes it; in the loop of a window that is no dialog, Escape is a key.
TEST(MessagesContract, EscapeIsCancelOnlyInADialog) {
  D().Run([] {
    for (std::wstring cls : {L"#32770", L"ZqContract"}) {
      for (bool take : {false, true}) {
        SCOPED_TRACE(take);
        Recorder r;
        r.endOn = kMsg;
        r.swallow = [&](WindowHandle, unsigned m, WParam wp) {
          return take && m == wm::KeyDown && wp == kEscape;
        };
        bool cancelled = false;
        r.on = [&](WindowHandle, unsigned m, WParam wp, LParam) -> std::optional<LResult> {
          if (m == wm::Command && (wp & 0xFFFF) == kIdCancel) cancelled = true;
          return std::nullopt;
        };
        WindowHandle h = Open(r, ws::Popup, 0, Rect{0, 0, 100, 100}, cls);
        W().Post(h, wm::KeyDown, kEscape, 0);
        W().Post(h, kMsg, 0, 0);
        EXPECT_EQ(W().RunModalLoop(h), 1);
        const bool dialog = cls == L"#32770";
        EXPECT_EQ(cancelled, dialog && !take);
        EXPECT_EQ(r.Saw(wm::KeyDown), !dialog && !take);
        W().Destroy(h);
      }
    }
  });
}

// A timer ticks with its id when its thread pumps; setting the same id again replaces its
// period; a killed timer ticks no more, and killing it again fails.
TEST(MessagesContract, TimersIdsRearmingAndKilling) {
  D().Run([] {
    Recorder r;
    std::vector<WParam> ticks;
    r.on = [&](WindowHandle, unsigned m, WParam id, LParam) -> std::optional<LResult> {
      if (m == wm::Timer) ticks.push_back(id);
      return std::nullopt;
    };
    WindowHandle h = Open(r);
    ASSERT_TRUE(W().SetTimer(h, 7, 60000));
    ASSERT_TRUE(W().SetTimer(h, 7, 20));
    ASSERT_TRUE(PumpUntil([&] { return ticks.size() >= 2; }));
    EXPECT_EQ(ticks[0], 7u);
    EXPECT_TRUE(W().KillTimer(h, 7));
    EXPECT_FALSE(W().KillTimer(h, 7));
    ticks.clear();
    PumpUntil([] { return false; }, 200);
    EXPECT_TRUE(ticks.empty());
    W().Destroy(h);
  });
}

}  // namespace
}  // namespace zq::contract
