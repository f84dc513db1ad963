// The Windows backend's window system under Wine: creation and routing to the handler,
// the translation of the messages that carry records, dialogs from the template, the modal
// loop, cross-thread destruction, pictures, text, regions, the tree and worker threads.
#include <atomic>
#include <string>

#include "winunit_fixture.h"

namespace zq::win32::test {
namespace {

WindowSpec Popup(Recorder& r, const std::wstring& cls, Rect rect = Rect{20, 20, 120, 80}) {
  WindowSpec d;
  d.className = cls;
  d.title = L"Recorder title";
  d.style = WS_POPUP;
  d.rect = rect;
  d.handler = &r;
  return d;
}

// Runs the calling thread's messages until `done` holds or a few seconds have passed.
template <class F>
bool PumpUntil(Windows& w, F done) {
  DWORD start = ::GetTickCount();
  while (!done()) {
    if (::GetTickCount() - start > 5000) return false;
    w.PumpPending();
    ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
  }
  return true;
}

TEST_F(BackendTest, CreationReachesTheHandlerWithTheDescription) {
  Recorder r;
  const WindowSpec* atNcCreate = nullptr;
  const WindowSpec* atCreate = nullptr;
  r.on = [&](WindowHandle, unsigned m, WParam, LParam lp) -> std::optional<LResult> {
    if (m == WM_NCCREATE) atNcCreate = reinterpret_cast<const WindowSpec*>(lp);
    if (m == WM_CREATE) atCreate = reinterpret_cast<const WindowSpec*>(lp);
    if (m == WM_USER + 1) return 42;
    return std::nullopt;
  };
  WindowSpec d = Popup(r, L"ZqTestPlain");
  d.createParam = 77;
  WindowHandle h = w().Create(d);
  ASSERT_NE(h, 0u);
  EXPECT_EQ(atNcCreate, &d);
  EXPECT_EQ(atCreate, &d);
  // The default processing saw the system's own creation record: the title is set.
  EXPECT_EQ(w().Title(h), L"Recorder title");
  EXPECT_EQ(w().ClassName(h), L"ZqTestPlain");
  EXPECT_EQ(w().Send(h, WM_USER + 1, 0, 0), 42);
  EXPECT_TRUE(w().Post(h, WM_USER + 2, 0, 0));
  w().PumpPending();
  EXPECT_TRUE(r.Saw(WM_USER + 2));
  EXPECT_TRUE(w().Destroy(h));
  EXPECT_TRUE(r.Saw(WM_DESTROY));
  EXPECT_TRUE(r.Saw(WM_NCDESTROY));
  EXPECT_FALSE(w().IsWindow(h));
  EXPECT_FALSE(w().Destroy(h));
}

// A handler that changes the position record changes what the system does, both for
// what it removes (showing) and what it rewrites (the size).
TEST_F(BackendTest, PositionRecordsTravelBothWays) {
  Recorder r;
  r.on = [](WindowHandle, unsigned m, WParam, LParam lp) -> std::optional<LResult> {
    if (m == WM_WINDOWPOSCHANGING && lp) {
      auto* pos = reinterpret_cast<WindowPos*>(lp);
      pos->flags &= ~swp::ShowWindow;
      if (!(pos->flags & swp::NoSize)) pos->cx = 50;
    }
    return std::nullopt;
  };
  WindowHandle h = w().Create(Popup(r, L"ZqTestPlain"));
  ASSERT_NE(h, 0u);
  w().Show(h, SW_SHOW);
  EXPECT_FALSE(w().IsVisible(h));
  EXPECT_TRUE(w().MoveWindow(h, Rect{10, 10, 110, 60}));
  EXPECT_EQ(w().WindowRect(h), (Rect{10, 10, 60, 60}));
  w().Destroy(h);
}

TEST_F(BackendTest, ModalLoopEndsByEndModalOrByQuit) {
  Recorder r;
  r.on = [&](WindowHandle h, unsigned m, WParam wp, LParam) -> std::optional<LResult> {
    if (m == WM_TIMER) Plat().windows().EndModal(h, 7);
    if (m == WM_USER + 3) Plat().windows().PostQuit(5);
    return std::nullopt;
  };
  WindowHandle h = w().Create(Popup(r, L"ZqTestPlain"));
  ASSERT_TRUE(w().SetTimer(h, 1, 10));
  EXPECT_EQ(w().RunModalLoop(h), 7);
  EXPECT_TRUE(w().KillTimer(h, 1));
  w().Post(h, WM_USER + 3, 0, 0);
  EXPECT_EQ(w().RunModalLoop(h), -1);
  MSG msg{};
  ASSERT_TRUE(::PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));  // posted again
  EXPECT_EQ(msg.wParam, 5u);
  w().Destroy(h);
}

// The controller's dialog: made from template 102 with its menu and static control; the
// handler is not told of the dialog manager's own WM_INITDIALOG (its owner sends one),
// and what it leaves to DefaultProc gets the dialog manager's processing.
TEST_F(BackendTest, DialogsComeFromTheTemplateAndDefaultToTheDialogManager) {
  Recorder r;
  WindowSpec d = Popup(r, L"#32770");
  d.title.clear();
  WindowHandle h = w().Create(d);
  ASSERT_NE(h, 0u);
  EXPECT_EQ(w().ClassName(h), L"#32770");
  EXPECT_FALSE(r.Saw(WM_INITDIALOG));
  EXPECT_NE(::GetMenu(ToHwnd(h)), nullptr);
  EXPECT_NE(w().FindWindow(h, 0, L"Static", L""), 0u);
  EXPECT_FALSE(w().IsVisible(h));
  r.on = [](WindowHandle, unsigned m, WParam, LParam) -> std::optional<LResult> {
    if (m == WM_INITDIALOG) return 0;
    return std::nullopt;
  };
  w().Send(h, WM_INITDIALOG, 0, 0);
  EXPECT_TRUE(r.Saw(WM_INITDIALOG));
  HICON icon = ::LoadIconW(nullptr, IDI_APPLICATION);
  w().Send(h, WM_SETICON, ICON_BIG, reinterpret_cast<LParam>(icon));
  EXPECT_EQ(w().Send(h, WM_GETICON, ICON_BIG, 0), reinterpret_cast<LResult>(icon));
  w().Destroy(h);
}

// Records that the modal loop offered it a key, by name; `swallow` swallows keys.
struct Link : Recorder {
  Link(char name, std::string& order) : name(name), order(order) {}
  bool PreTranslate(WindowHandle, unsigned m, WParam, LParam) override {
    if (m == WM_KEYDOWN) order += name;
    return m == WM_KEYDOWN && swallow;
  }
  char name;
  std::string& order;
  bool swallow = false;
};

// Escape for a system window inside a panel is offered to the panel's child, the panel and
// then the modal dialog that owns it, nearest first, until one swallows it; a window
// outside the dialog's family comes before the dialog. Only Escape for the dialog itself
// that nobody swallowed becomes its Cancel command.
TEST_F(BackendTest, ModalLoopOffersKeysToTheWindowItsParentsThenTheModalWindow) {
  struct Case {
    char swallower, target;
    const char* order;
    bool cancelled;
  } cases[] = {{0, 's', "cpm", false},
               {'p', 's', "cp", false},
               {0, 'x', "xm", false},
               {0, 'm', "m", true},
               {'m', 'm', "m", false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.order) + c.swallower);
    std::string order;
    bool cancelled = false;
    Link m('m', order), p('p', order), ch('c', order), x('x', order);
    for (Link* l : {&m, &p, &ch}) l->swallow = l->name == c.swallower;
    m.on = [&](WindowHandle h, unsigned msg, WParam wp, LParam) -> std::optional<LResult> {
      if (msg == WM_COMMAND && LOWORD(wp) == IDCANCEL) cancelled = true;
      if (msg == WM_USER + 4) Plat().windows().EndModal(h, 1);
      return std::nullopt;
    };
    WindowHandle modal = w().Create(Popup(m, L"#32770"));
    WindowSpec panel = Popup(p, L"ZqTestPlain"), child = Popup(ch, L"ZqTestPlain");
    panel.parent = modal;
    child.style = WS_CHILD;
    child.parent = w().Create(panel);
    HWND system = ::CreateWindowExW(0, L"STATIC", L"", WS_CHILD, 0, 0, 10, 10,
                                    ToHwnd(w().Create(child)), nullptr, nullptr, nullptr);
    WindowHandle other = w().Create(Popup(x, L"ZqTestPlain"));
    WindowHandle target = c.target == 's' ? FromHwnd(system) : c.target == 'x' ? other : modal;
    w().Post(target, WM_KEYDOWN, VK_ESCAPE, 0);
    w().Post(modal, WM_USER + 4, 0, 0);
    EXPECT_EQ(w().RunModalLoop(modal), 1);
    EXPECT_EQ(order, c.order);
    EXPECT_EQ(cancelled, c.cancelled);
    for (WindowHandle h : {other, modal}) w().Destroy(h);
  }
}

// Classes are registered with what the client asked for, and read back the same.
TEST_F(BackendTest, ClassesKeepTheirStylesCursorBrushAndExtraBytes) {
  WindowClass splash;
  splash.name = L"ZqTestSplash";
  splash.style = WindowClass::ByteAlignClient | WindowClass::ByteAlignWindow;
  splash.cursor = WindowClass::AppStartingCursor;
  splash.brush = WindowClass::Brush::Stock;
  splash.brushIndex = WindowClass::LightGrayStock;
  splash.extraBytes = 30;
  const WindowClass panel =
      WindowClass::ArrowOnWindowColor(L"ZqTestPanel", WindowClass::DblClks | WindowClass::SaveBits);
  for (const WindowClass& c : {splash, panel}) {
    ASSERT_TRUE(w().RegisterClass(c));
    EXPECT_FALSE(w().RegisterClass(c)) << "a second registration fails";
    EXPECT_EQ(w().RegisteredClass(c.name), c) << "as the system keeps it";
    EXPECT_TRUE(w().UnregisterClass(c.name));
  }
  EXPECT_EQ(w().RegisteredClass(L"ZqTestSplash"), std::nullopt);
}

TEST_F(BackendTest, WindowsAreDestroyedFromOtherThreadsByTheirOwner) {
  Recorder r;
  WindowHandle h = w().Create(Popup(r, L"ZqTestPlain"));
  std::atomic<int> result{-1};
  ASSERT_TRUE(p->threads().Start([&] { result = Plat().windows().Destroy(h) ? 1 : 0; }));
  EXPECT_TRUE(PumpUntil(w(), [&] { return result != -1; }));
  EXPECT_EQ(result, 1);
  EXPECT_TRUE(r.Saw(WM_NCDESTROY));
  EXPECT_FALSE(w().IsWindow(h));
}

TEST_F(BackendTest, WorkersRunBoundToThePlatformAndLocksAreRecursive) {
  std::atomic<bool> done{false};
  std::atomic<Platform*> seen{nullptr};
  std::atomic<std::uint32_t> thread{0};
  ASSERT_TRUE(p->threads().Start([&] {
    seen = CurrentPlatform();
    thread = Plat().threads().CurrentThreadId();
    done = true;
  }));
  EXPECT_TRUE(PumpUntil(w(), [&] { return done.load(); }));
  EXPECT_EQ(seen.load(), static_cast<Platform*>(p));
  EXPECT_NE(thread.load(), p->threads().CurrentThreadId());
  auto lock = p->threads().NewLock();
  LockGuard outer(*lock);
  LockGuard inner(*lock);  // the owner enters again without waiting
}

// What a user sees: the picture where the handler leaves painting to the default, the
// text the handler draws during its paint, and the region cut from rectangles.
TEST_F(BackendTest, PicturesTextAndRegionsReachTheScreen) {
  Recorder pictureOnly, withText;
  withText.on = [](WindowHandle h, unsigned m, WParam, LParam) -> std::optional<LResult> {
    if (m != WM_PAINT) return std::nullopt;
    TextPaint text;
    text.text = L"\x2588\x2588\x2588\x2588";
    text.rect = Rect{0, 0, 40, 20};
    text.font.tenthsOfPoint = 140;
    text.color = RGB(0, 0, 0);
    Plat().windows().PaintText(h, text);
    return 0;
  };
  Bitmap red;
  red.width = red.height = 40;
  red.pixels.assign(1600, 0xFF0000);
  Bitmap white = red;
  white.pixels.assign(1600, 0xFFFFFF);
  WindowHandle a = w().Create(Popup(pictureOnly, L"ZqTestPlain", Rect{30, 30, 70, 70}));
  WindowHandle b = w().Create(Popup(withText, L"ZqTestPlain", Rect{100, 30, 140, 70}));
  ASSERT_TRUE(w().SetPicture(a, &red));
  ASSERT_TRUE(w().SetPicture(b, &white));
  w().Show(a, SW_SHOWNOACTIVATE);
  w().Show(b, SW_SHOWNOACTIVATE);
  w().Redraw(b, rdw::Invalidate | rdw::Erase | rdw::UpdateNow);
  HDC dc = ::GetDC(ToHwnd(a));
  EXPECT_EQ(::GetPixel(dc, 20, 20), RGB(255, 0, 0));
  ::ReleaseDC(ToHwnd(a), dc);
  dc = ::GetDC(ToHwnd(b));
  int dark = 0;
  for (int y = 0; y < 20; ++y)
    for (int x = 0; x < 40; ++x) dark += ::GetPixel(dc, x, y) == RGB(0, 0, 0);
  EXPECT_EQ(::GetPixel(dc, 30, 35), RGB(255, 255, 255));
  ::ReleaseDC(ToHwnd(b), dc);
  EXPECT_GT(dark, 20);

  ASSERT_TRUE(w().SetRegion(a, {Rect{0, 0, 10, 10}, Rect{10, 0, 20, 5}}));
  UniqueRegion rgn(::CreateRectRgn(0, 0, 0, 0));
  ASSERT_NE(::GetWindowRgn(ToHwnd(a), rgn.get()), ERROR);
  EXPECT_TRUE(::PtInRegion(rgn.get(), 5, 5));
  EXPECT_TRUE(::PtInRegion(rgn.get(), 15, 2));
  EXPECT_FALSE(::PtInRegion(rgn.get(), 15, 7));
  ASSERT_TRUE(w().SetRegion(a, {}));
  EXPECT_EQ(::GetWindowRgn(ToHwnd(a), rgn.get()), ERROR);
  w().Destroy(a);
  w().Destroy(b);
}

TEST_F(BackendTest, TreeWalksFollowParentsOwnersAndZOrder) {
  Recorder top, child, owned;
  WindowHandle parent = w().Create(Popup(top, L"ZqTestTree"));
  WindowSpec c = Popup(child, L"ZqTestPlain", Rect{0, 0, 10, 10});
  c.style = WS_CHILD;
  c.parent = parent;
  WindowHandle kid = w().Create(c);
  WindowSpec o = Popup(owned, L"ZqTestPlain");
  o.parent = parent;
  WindowHandle popup = w().Create(o);
  ASSERT_TRUE(parent && kid && popup);
  EXPECT_EQ(w().Parent(kid), parent);
  EXPECT_EQ(w().Parent(popup), parent);
  EXPECT_EQ(w().FirstChild(parent), kid);
  EXPECT_EQ(w().NextSibling(kid), 0u);
  EXPECT_EQ(w().FindWindow(0, 0, L"ZqTestTree", L"Recorder title"), parent);
  EXPECT_EQ(w().WindowRect(kid).left, w().WindowRect(parent).left);
  w().Destroy(parent);  // children and owned popups go with it
  EXPECT_FALSE(w().IsWindow(kid));
  EXPECT_FALSE(w().IsWindow(popup));
  EXPECT_TRUE(child.Saw(WM_NCDESTROY));
}

}  // namespace
}  // namespace zq::win32::test
