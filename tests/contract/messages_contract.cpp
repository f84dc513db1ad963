// Contract cases of message delivery: post and send order, timers, threads and sends
// between them, nested modal loops and the quit message, the pre-translate chain, Escape.
#include "tests/contract/contract.h"

namespace zq::contract {
namespace {

std::uint32_t ThisThread() { return Plat().threads().CurrentThreadId(); }
constexpr unsigned kMsg = wm::User;
// VK_ESCAPE, VK_F5 and IDCANCEL.
constexpr WParam kEscape = 27, kF5 = 0x74, kIdCancel = 2;

// Posted messages come in their order, a send on the window's own thread at once, ahead of
// them. A timer ticks with its id while its thread pumps; setting the id again replaces its
// period; a killed one ticks no more and cannot be killed again. A gone window gets nothing.
ZQ_CONTRACT(MessagesContract, PostSendOrderAndTimers) {
  Recorder r;
  std::vector<WParam> ticks;
  r.on = [&](WindowHandle, unsigned m, WParam id, LParam) -> Answer {
    if (m == wm::Timer) ticks.push_back(id);
    return std::nullopt;
  };
  WindowHandle h = Open(r);
  EXPECT_TRUE(W().Post(h, kMsg + 1, 0, 0));
  EXPECT_TRUE(W().Post(h, kMsg + 2, 0, 0));
  W().Send(h, kMsg + 3, 0, 0);
  W().PumpPending();
  std::vector<unsigned> order;
  for (unsigned m : r.seen)
    if (m >= kMsg && m < wm::App) order.push_back(m - kMsg);
  EXPECT_EQ(order, (std::vector<unsigned>{3, 1, 2}));
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
  EXPECT_FALSE(W().Post(h, kMsg, 0, 0));
  EXPECT_EQ(W().Send(h, kMsg, 0, 0), 0);
}

// A worker has a thread of its own bound to the same platform. A thread waiting in a send
// handles what is sent to it meanwhile; a window destroyed from another thread hears it on
// its own thread. A lock is recursive for its owner.
ZQ_CONTRACT(MessagesContract, WorkersSendsAndDestructionBetweenThreads) {
  const std::uint32_t mainThread = ThisThread();
  Recorder mine;
  std::atomic<std::uint32_t> handledOn{0}, destroyedOn{0};
  mine.on = [&](WindowHandle, unsigned m, WParam wp, LParam) -> Answer {
    if (m == wm::Destroy) destroyedOn = ThisThread();
    if (m == kMsg) handledOn = ThisThread();
    return m == kMsg ? Answer(static_cast<LResult>(wp) * 10) : std::nullopt;
  };
  WindowHandle h = Open(mine);
  std::atomic<WindowHandle> theirs{0};
  std::atomic<Platform*> bound{nullptr};
  std::atomic<int> destroyed{-1};
  ASSERT_TRUE(Plat().threads().Start([&] {
    bound = CurrentPlatform();
    Recorder r;
    r.endOn = kMsg + 1;
    r.on = [&](WindowHandle, unsigned m, WParam wp, LParam) -> Answer {
      return m == kMsg ? Answer(W().Send(h, kMsg, wp + 1, 0) + 1) : std::nullopt;
    };
    theirs = Open(r);
    W().RunModalLoop(theirs);
    W().Destroy(theirs);
    destroyed = W().Destroy(h) ? 1 : 0;
  }));
  ASSERT_TRUE(PumpUntil([&] { return theirs != 0; }));
  EXPECT_EQ(bound.load(), &Plat());
  EXPECT_NE(W().ThreadOf(theirs), mainThread);
  EXPECT_EQ(W().Send(theirs, kMsg, 4, 0), 51);
  EXPECT_EQ(handledOn, mainThread);
  W().Post(theirs, kMsg + 1, 0, 0);
  ASSERT_TRUE(PumpUntil([&] { return destroyed != -1; }));
  EXPECT_EQ(destroyed, 1);
  EXPECT_EQ(destroyedOn, mainThread);
  EXPECT_FALSE(W().IsWindow(h));
  auto lock = Plat().threads().NewLock();
  LockGuard outer(*lock);
  LockGuard inner(*lock);
}

// EndModal ends the loop of its window with its result; a quit message ends every nested
// loop with -1 and stays posted for the loops outside.
ZQ_CONTRACT(MessagesContract, NestedModalLoopsAndTheQuitMessage) {
  Recorder outer, inner;
  outer.endOn = kMsg;
  WindowHandle o = Open(outer), i = Open(inner);
  int innerResult = 0;
  outer.on = [&](WindowHandle, unsigned m, WParam, LParam) -> Answer {
    if (m == kMsg + 1) {
      W().Post(i, kMsg + 2, 0, 0);
      innerResult = W().RunModalLoop(i);
    }
    return std::nullopt;
  };
  inner.on = [&](WindowHandle, unsigned m, WParam, LParam) -> Answer {
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
}

// Before a modal loop dispatches a message, its window, each parent (owner) nearest first,
// then the modal window if not among them may take it; a taker ends the walk and dispatch.
ZQ_CONTRACT(MessagesContract, PreTranslateChainBeforeDispatch) {
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
}

// Escape in a dialog's loop is its Cancel command unless pre-translation takes it; in the
// loop of a window that is no dialog, it is a key.
ZQ_CONTRACT(MessagesContract, EscapeIsCancelOnlyInADialog) {
  for (bool dialog : {true, false}) {
    for (bool take : {false, true}) {
      SCOPED_TRACE(testing::Message() << "dialog " << dialog << ", taken " << take);
      Recorder r;
      r.endOn = kMsg;
      r.swallow = [&](WindowHandle, unsigned m, WParam wp) {
        return take && m == wm::KeyDown && wp == kEscape;
      };
      bool cancelled = false;
      r.on = [&](WindowHandle, unsigned m, WParam wp, LParam) -> Answer {
        cancelled |= m == wm::Command && (wp & 0xFFFF) == kIdCancel;
        return std::nullopt;
      };
      WindowHandle h =
          Open(r, ws::Popup, 0, Rect{0, 0, 100, 100}, dialog ? L"#32770" : L"ZqContract");
      W().Post(h, wm::KeyDown, kEscape, 0);
      W().Post(h, kMsg, 0, 0);
      EXPECT_EQ(W().RunModalLoop(h), 1);
      EXPECT_EQ(cancelled, dialog && !take);
      EXPECT_EQ(r.Saw(wm::KeyDown), !dialog && !take);
      W().Destroy(h);
    }
  }
}

}  // namespace
}  // namespace zq::contract
