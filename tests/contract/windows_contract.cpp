// Contract cases of the window system: creation and classes, the tree and z-order,
// visibility, positions, focus, layered windows and regions; message delivery, timers,
// threads and the sends between them, modal loops, the pre-translate chain and Escape.
#include <algorithm>

#include "tests/contract/contract.h"

namespace zq::contract {
namespace {

using C = WindowClass;

// The children of `parent` from the top of the z-order down.
std::vector<WindowHandle> ZOrder(WindowHandle parent) {
  std::vector<WindowHandle> out;
  for (WindowHandle h = W().FirstChild(parent); h; h = W().NextSibling(h)) out.push_back(h);
  return out;
}

// Creation, a refused WM_CREATE, destruction; a class keeps what it was registered with.
ZQ_CONTRACT(WindowsContract, CreationDestructionAndClasses) {
  Recorder r;
  const WindowSpec* atCreate = nullptr;
  r.on = [&](WindowHandle, unsigned m, WParam, LParam lp) -> Answer {
    if (m == wm::Create) atCreate = reinterpret_cast<const WindowSpec*>(lp);
    return m == wm::User ? Answer(42) : std::nullopt;
  };
  const Rect at{10, 10, 110, 60};
  const WindowSpec desc{L"ZqContractCreate", L"Made", ws::Popup, 0, at, 0, &r, 0};
  WindowHandle h = W().Create(desc);
  ASSERT_NE(h, 0u);
  EXPECT_EQ(atCreate, &desc);
  EXPECT_EQ(r.seen.front(), wm::NcCreate);
  EXPECT_EQ(W().ClassName(h) + L"/" + W().Title(h), L"ZqContractCreate/Made");
  EXPECT_EQ(W().WindowRect(h), desc.rect);
  EXPECT_EQ(W().Send(h, wm::User, 0, 0), 42);
  EXPECT_TRUE(W().Destroy(h));
  EXPECT_TRUE(r.Saw(wm::Destroy));
  EXPECT_EQ(r.seen.back(), wm::NcDestroy);
  EXPECT_FALSE(W().IsWindow(h) || W().Destroy(h));
  Recorder refuses;
  refuses.on = [](WindowHandle, unsigned m, WParam, LParam) -> Answer {
    return m == wm::Create ? Answer(-1) : std::nullopt;
  };
  EXPECT_EQ(Open(refuses), 0u);
  EXPECT_TRUE(refuses.Saw(wm::NcDestroy)) << "a refused window is destroyed";

  const unsigned align = C::ByteAlignClient | C::ByteAlignWindow;
  const int gray = C::LightGrayStock;
  const C splash{L"ZqContractClass", align, C::AppStartingCursor, C::Brush::Stock, gray, 30, 0};
  for (const C& c : {splash, C::ArrowOnWindowColor(L"ZqContractPanel", C::DblClks | C::SaveBits)}) {
    EXPECT_TRUE(W().RegisterClass(c));
    EXPECT_EQ(W().RegisteredClass(c.name), c);
  }
  EXPECT_FALSE(W().RegisterClass(C::ArrowOnWindowColor(L"zqcontractclass", 0))) << "any case";
  EXPECT_TRUE(W().UnregisterClass(L"ZqContractClass"));
  EXPECT_FALSE(W().UnregisterClass(L"ZqContractClass"));
  EXPECT_EQ(W().RegisteredClass(L"ZqContractClass"), std::nullopt);
}

// Parent is a child's parent or a pop-up's owner. A new child comes below its siblings, a new
// top-level window on top; FindWindow searches one level. Children go with their parent.
ZQ_CONTRACT(WindowsContract, ParentsOwnersAndZOrder) {
  Recorder top, a, b, owned, other;
  WindowHandle parent = Open(top, ws::Popup, 0, Rect{100, 100, 300, 300}, L"ZqContractTree");
  WindowHandle first = Open(a, ws::Child, parent, Rect{10, 20, 50, 60});
  WindowHandle second = Open(b, ws::Child, parent, Rect{0, 0, 10, 10});
  WindowHandle popup = Open(owned, ws::Popup, parent);
  EXPECT_EQ(W().Parent(first), parent);
  EXPECT_EQ(W().Parent(popup), parent) << "a pop-up's owner";
  EXPECT_EQ(W().Parent(parent), 0u);
  EXPECT_EQ(W().WindowRect(first), (Rect{110, 120, 150, 160}));
  EXPECT_EQ(ZOrder(parent), (std::vector<WindowHandle>{first, second}));
  EXPECT_TRUE(W().BringToTop(second));
  EXPECT_EQ(ZOrder(parent), (std::vector<WindowHandle>{second, first}));
  EXPECT_EQ(W().FindWindow(parent, 0, L"ZqContract", L""), second);
  EXPECT_EQ(W().FindWindow(parent, second, L"zqcontract", L"CONTRACT"), first);
  EXPECT_EQ(W().FindWindow(parent, first, L"ZqContract", L""), 0u);
  EXPECT_EQ(W().FindWindow(0, 0, L"ZqContractTree", L"Contract"), parent);

  auto above = [](WindowHandle x, WindowHandle y) {
    std::vector<WindowHandle> z = ZOrder(W().DesktopWindow());
    return std::find(z.begin(), z.end(), x) < std::find(z.begin(), z.end(), y);
  };
  WindowHandle later = Open(other);
  EXPECT_TRUE(above(later, parent)) << "a new window comes on top";
  EXPECT_TRUE(W().BringToTop(parent));
  EXPECT_TRUE(above(parent, later));
  W().Destroy(later);
  W().Destroy(parent);
  EXPECT_FALSE(W().IsWindow(first) || W().IsWindow(popup));
  EXPECT_TRUE(a.Saw(wm::NcDestroy) && owned.Saw(wm::NcDestroy));
}

// Show answers the previous visibility; SetWindowPos goes by its flags and a handler may
// rewrite its record. Layered attributes need the layered style.
ZQ_CONTRACT(WindowsContract, VisibilityPositionsLayersAndRegions) {
  Recorder top, kid;
  bool keepHidden = false;
  top.on = [&](WindowHandle, unsigned m, WParam, LParam lp) -> Answer {
    if (m == wm::WindowPosChanging && lp && keepHidden)
      reinterpret_cast<WindowPos*>(lp)->flags &= ~swp::ShowWindow;
    return std::nullopt;
  };
  WindowHandle h = Open(top, ws::Popup, 0, Rect{20, 20, 120, 80});
  WindowHandle child = Open(kid, ws::Child | ws::Visible, h, Rect{0, 0, 10, 10});
  EXPECT_FALSE(W().IsVisible(h) || W().IsVisible(child)) << "hidden with its parent";
  EXPECT_FALSE(W().Show(h, sw::ShowNoActivate));
  EXPECT_TRUE(W().IsVisible(h) && W().IsVisible(child));
  EXPECT_TRUE(W().Show(h, sw::Hide));
  EXPECT_FALSE(W().IsVisible(h));
  for (unsigned flag : {swp::ShowWindow, swp::HideWindow}) {
    const unsigned keep = swp::NoMove | swp::NoSize | swp::NoZOrder | swp::NoActivate;
    EXPECT_TRUE(W().SetWindowPos(h, 0, Rect{}, keep | flag));
    EXPECT_EQ(W().IsVisible(h), flag == swp::ShowWindow);
  }
  EXPECT_TRUE(W().SetWindowPos(h, 0, Rect{50, 60, 0, 0}, swp::NoSize | swp::NoZOrder));
  EXPECT_EQ(W().WindowRect(h), (Rect{50, 60, 150, 120}));
  top.seen.clear();
  EXPECT_TRUE(W().SetWindowPos(h, 0, Rect{0, 0, 30, 40}, swp::NoMove | swp::NoZOrder));
  EXPECT_EQ(W().WindowRect(h), (Rect{50, 60, 80, 100}));
  EXPECT_TRUE(top.Saw(wm::Size));
  keepHidden = true;
  W().Show(h, sw::ShowNoActivate);
  EXPECT_FALSE(W().IsVisible(h)) << "the handler took the showing out of the record";
  EXPECT_TRUE(W().MoveWindow(h, Rect{5, 5, 25, 35}));
  EXPECT_EQ(W().WindowRect(h), (Rect{5, 5, 25, 35}));
  ASSERT_TRUE(W().LayeredSupported());
  EXPECT_FALSE(W().SetLayeredAttributes(h, 0, 128, 2));
  W().SetExStyle(h, ws::ExLayered);
  EXPECT_TRUE(W().SetLayeredAttributes(h, 0, 128, 2));
  EXPECT_TRUE(W().SetRegion(h, {Rect{0, 0, 10, 10}, Rect{10, 0, 20, 5}}));
  EXPECT_TRUE(W().SetRegion(h, {}));
  W().Destroy(h);
  EXPECT_FALSE(W().SetRegion(h, {Rect{0, 0, 1, 1}}));
}

// The foreground window is its thread's active window, never a child; focus moves to any
// window of the thread, telling both ends.
ZQ_CONTRACT(WindowsContract, ForegroundActivationAndFocus) {
  Recorder top, kid;
  WindowHandle h = Open(top, ws::Popup | ws::Visible);
  WindowHandle child = Open(kid, ws::Child | ws::Visible, h, Rect{0, 0, 20, 20});
  ASSERT_TRUE(W().SetForeground(h));
  EXPECT_EQ(W().Foreground(), h);
  EXPECT_EQ(W().ActiveWindow(), h);
  W().SetActiveWindow(child);
  EXPECT_EQ(W().ActiveWindow(), h) << "a child never becomes active";
  W().SetFocus(h);
  kid.seen.clear();
  top.seen.clear();
  EXPECT_EQ(W().SetFocus(child), h);
  EXPECT_EQ(W().Focus(), child);
  EXPECT_TRUE(kid.Saw(wm::SetFocus) && top.Saw(wm::KillFocus));
  W().Destroy(child);
  EXPECT_NE(W().Focus(), child);
  W().Destroy(h);
  EXPECT_NE(W().Foreground(), h);
  EXPECT_EQ(W().ActiveWindow(), 0u);
}

std::uint32_t ThisThread() { return Plat().threads().CurrentThreadId(); }
constexpr unsigned kMsg = wm::User;
// VK_ESCAPE, VK_F5 and IDCANCEL.
constexpr WParam kEscape = 27, kF5 = 0x74, kIdCancel = 2;

// A send on the window's own thread comes at once, ahead of posted messages, which keep their
// order. A timer ticks while its thread pumps; setting its id again replaces its period.
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

// A worker is bound to the same platform; a thread waiting in a send handles what is sent to
// it; a window destroyed from another thread hears it on its own. Locks are recursive.
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
  auto lock = Plat().threads().NewLock();
  LockGuard outer(*lock);
  LockGuard inner(*lock);
}

// A quit message ends every nested modal loop with -1 and stays posted for the outer ones.
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

// A modal loop offers a message to its window, each parent nearest first, then the modal
// window; a taker ends the walk and the dispatch.
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

// Escape is a dialog's Cancel command unless pre-translation takes it; elsewhere it is a key.
ZQ_CONTRACT(MessagesContract, EscapeIsCancelOnlyInADialog) {
  for (bool dialog : {true, false}) {
    for (bool take : {false, true}) {
      SCOPED_TRACE(testing::Message() << "dialog " << dialog << ", taken " << take);
      Recorder r;
      r.endOn = kMsg;
      r.swallow = [&](WindowHandle, unsigned m, WParam) { return take && m == wm::KeyDown; };
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
