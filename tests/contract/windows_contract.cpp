// Contract cases of the window system: creation and classes, the tree with parents, owners
// and z-order, visibility and SetWindowPos, activation and focus, layered windows, regions.
#include "tests/contract/contract.h"

namespace zq::contract {
namespace {

Desktop& D() { return TheDesktop(); }

// Creation reaches the handler with the description, a refused WM_CREATE leaves no window,
// destruction tells the handler, and a class name is registered once per process.
TEST(WindowsContract, CreationDestructionAndClasses) {
  D().Run([] {
    Windows& w = Plat().windows();
    Recorder r;
    const WindowSpec* atCreate = nullptr;
    r.on = [&](WindowHandle, unsigned m, WParam, LParam lp) -> std::optional<LResult> {
      if (m == wm::Create) atCreate = reinterpret_cast<const WindowSpec*>(lp);
      if (m == wm::User) return 42;
      return std::nullopt;
    };
    WindowSpec desc;
    desc.className = L"ZqContractCreate";
    desc.title = L"Made";
    desc.style = ws::Popup;
    desc.rect = Rect{10, 10, 110, 60};
    desc.handler = &r;
    WindowHandle h = w.Create(desc);
    ASSERT_NE(h, 0u);
    EXPECT_EQ(atCreate, &desc);
    EXPECT_EQ(r.seen.front(), wm::NcCreate);
    EXPECT_EQ(w.ClassName(h), L"ZqContractCreate");
    EXPECT_EQ(w.Title(h), L"Made");
    EXPECT_EQ(w.WindowRect(h), desc.rect);
    EXPECT_EQ(w.Send(h, wm::User, 0, 0), 42);
    EXPECT_TRUE(w.Destroy(h));
    EXPECT_TRUE(r.Saw(wm::Destroy));
    EXPECT_EQ(r.seen.back(), wm::NcDestroy);
    EXPECT_FALSE(w.IsWindow(h));
    EXPECT_FALSE(w.Destroy(h));

    Recorder refuses;
    refuses.on = [](WindowHandle, unsigned m, WParam, LParam) -> std::optional<LResult> {
      if (m == wm::Create) return -1;
      return std::nullopt;
    };
    EXPECT_EQ(Open(refuses), 0u);
    EXPECT_TRUE(refuses.Saw(wm::NcDestroy)) << "a refused window is destroyed";

    // A class keeps the styles, cursor, brush and extra bytes it was registered with.
    WindowClass splash;
    splash.name = L"ZqContractClass";
    splash.style = WindowClass::ByteAlignClient | WindowClass::ByteAlignWindow;
    splash.cursor = WindowClass::AppStartingCursor;
    splash.brush = WindowClass::Brush::Stock;
    splash.brushIndex = WindowClass::LightGrayStock;
    splash.extraBytes = 30;
    WindowClass panel = WindowClass::ArrowOnWindowColor(
        L"ZqContractPanel", WindowClass::DblClks | WindowClass::SaveBits);
    for (const WindowClass& c : {splash, panel}) {
      EXPECT_TRUE(w.RegisterClass(c));
      EXPECT_EQ(w.RegisteredClass(c.name), c);
    }
    WindowClass again = splash;
    again.name = L"zqcontractclass";
    EXPECT_FALSE(w.RegisterClass(again)) << "class names ignore case";
    EXPECT_TRUE(w.UnregisterClass(L"ZqContractClass"));
    EXPECT_FALSE(w.UnregisterClass(L"ZqContractClass"));
    EXPECT_EQ(w.RegisteredClass(L"ZqContractClass"), std::nullopt);
    EXPECT_TRUE(w.UnregisterClass(L"ZqContractPanel"));
  });
}

// GetParent's answer: a child's parent, a pop-up's owner. A new child comes below its
// siblings (creation order is tab order), a new top-level window on top; BringToTop raises one;
// FindWindow searches one level, after a sibling. Destroying a window takes its children and owned
// pop-ups with it.
TEST(WindowsContract, ParentsOwnersAndZOrder) {
  D().Run([] {
    Windows& w = Plat().windows();
    Recorder top, a, b, owned;
    WindowHandle parent = Open(top, ws::Popup, 0, Rect{100, 100, 300, 300}, L"ZqContractTree");
    WindowHandle first = Open(a, ws::Child, parent, Rect{10, 20, 50, 60});
    WindowHandle second = Open(b, ws::Child, parent, Rect{0, 0, 10, 10});
    WindowHandle popup = Open(owned, ws::Popup, parent);
    ASSERT_TRUE(parent && first && second && popup);
    EXPECT_EQ(w.Parent(first), parent);
    EXPECT_EQ(w.Parent(popup), parent) << "a pop-up's owner";
    EXPECT_EQ(w.Parent(parent), 0u);
    EXPECT_EQ(w.WindowRect(first), (Rect{110, 120, 150, 160}));
    EXPECT_EQ(w.FirstChild(parent), first);
    EXPECT_EQ(w.NextSibling(first), second);
    EXPECT_EQ(w.NextSibling(second), 0u);
    EXPECT_TRUE(w.BringToTop(second));
    EXPECT_EQ(w.FirstChild(parent), second);
    EXPECT_EQ(w.FindWindow(parent, 0, L"ZqContract", L""), second);
    EXPECT_EQ(w.FindWindow(parent, second, L"zqcontract", L"CONTRACT"), first);
    EXPECT_EQ(w.FindWindow(parent, first, L"ZqContract", L""), 0u);
    EXPECT_EQ(w.FindWindow(0, 0, L"ZqContractTree", L"Contract"), parent);

    // Top-level z-order, as the walk from the desktop window sees it.
    auto above = [&](WindowHandle x, WindowHandle y) {
      for (WindowHandle h = w.FirstChild(w.DesktopWindow()); h; h = w.NextSibling(h)) {
        if (h == x) return true;
        if (h == y) return false;
      }
      return false;
    };
    Recorder other;
    WindowHandle later = Open(other);
    EXPECT_TRUE(above(later, parent)) << "a new window comes on top";
    EXPECT_TRUE(w.BringToTop(parent));
    EXPECT_TRUE(above(parent, later));
    w.Destroy(later);

    w.Destroy(parent);
    EXPECT_FALSE(w.IsWindow(first));
    EXPECT_FALSE(w.IsWindow(popup));
    EXPECT_TRUE(a.Saw(wm::NcDestroy));
    EXPECT_TRUE(owned.Saw(wm::NcDestroy));
  });
}

// Show answers the previous visibility; a child shows only with its parent; SetWindowPos
// shows, hides, moves and sizes by its flags; a handler may rewrite the position record,
// and a change of size is announced with WM_SIZE.
TEST(WindowsContract, VisibilityAndPositions) {
  D().Run([] {
    Windows& w = Plat().windows();
    Recorder top, kid;
    bool keepHidden = false;
    top.on = [&](WindowHandle, unsigned m, WParam, LParam lp) -> std::optional<LResult> {
      if (m == wm::WindowPosChanging && lp && keepHidden)
        reinterpret_cast<WindowPos*>(lp)->flags &= ~swp::ShowWindow;
      return std::nullopt;
    };
    WindowHandle h = Open(top, ws::Popup, 0, Rect{20, 20, 120, 80});
    WindowHandle child = Open(kid, ws::Child | ws::Visible, h, Rect{0, 0, 10, 10});
    EXPECT_FALSE(w.IsVisible(h));
    EXPECT_FALSE(w.IsVisible(child)) << "hidden with its parent";
    EXPECT_FALSE(w.Show(h, sw::ShowNoActivate));
    EXPECT_TRUE(w.IsVisible(h));
    EXPECT_TRUE(w.IsVisible(child));
    EXPECT_TRUE(w.Show(h, sw::Hide));
    EXPECT_FALSE(w.IsVisible(h));

    const unsigned keep = swp::NoMove | swp::NoSize | swp::NoZOrder | swp::NoActivate;
    EXPECT_TRUE(w.SetWindowPos(h, 0, Rect{}, keep | swp::ShowWindow));
    EXPECT_TRUE(w.IsVisible(h));
    EXPECT_TRUE(w.SetWindowPos(h, 0, Rect{}, keep | swp::HideWindow));
    EXPECT_FALSE(w.IsVisible(h));
    EXPECT_TRUE(w.SetWindowPos(h, 0, Rect{50, 60, 0, 0}, swp::NoSize | swp::NoZOrder));
    EXPECT_EQ(w.WindowRect(h), (Rect{50, 60, 150, 120}));
    top.seen.clear();
    EXPECT_TRUE(w.SetWindowPos(h, 0, Rect{0, 0, 30, 40}, swp::NoMove | swp::NoZOrder));
    EXPECT_EQ(w.WindowRect(h), (Rect{50, 60, 80, 100}));
    EXPECT_TRUE(top.Saw(wm::Size));

    keepHidden = true;
    w.Show(h, sw::ShowNoActivate);
    EXPECT_FALSE(w.IsVisible(h)) << "the handler took the showing out of the record";
    EXPECT_TRUE(w.MoveWindow(h, Rect{5, 5, 25, 35}));
    EXPECT_EQ(w.WindowRect(h), (Rect{5, 5, 25, 35}));
    w.Destroy(h);
  });
}

// The foreground window is a top-level one and is its thread's active window; focus goes
// to any window of the thread, the old and new focus are told, and a destroyed focus
// window leaves no focus behind. Only top-level windows become active.
TEST(WindowsContract, ForegroundActivationAndFocus) {
  D().Run([] {
    Windows& w = Plat().windows();
    Recorder top, kid;
    WindowHandle h = Open(top, ws::Popup | ws::Visible);
    WindowHandle child = Open(kid, ws::Child | ws::Visible, h, Rect{0, 0, 20, 20});
    ASSERT_TRUE(w.SetForeground(h));
    EXPECT_EQ(w.Foreground(), h);
    EXPECT_EQ(w.ActiveWindow(), h);
    w.SetActiveWindow(child);
    EXPECT_EQ(w.ActiveWindow(), h) << "a child never becomes active";
    w.SetFocus(h);
    kid.seen.clear();
    top.seen.clear();
    EXPECT_EQ(w.SetFocus(child), h);
    EXPECT_EQ(w.Focus(), child);
    EXPECT_TRUE(kid.Saw(wm::SetFocus));
    EXPECT_TRUE(top.Saw(wm::KillFocus));
    w.Destroy(child);
    EXPECT_NE(w.Focus(), child);
    w.Destroy(h);
    EXPECT_NE(w.Foreground(), h);
    EXPECT_EQ(w.ActiveWindow(), 0u);
  });
}

// Layered attributes need the layered extended style; a region is set and taken away.
TEST(WindowsContract, LayeredWindowsAndRegions) {
  D().Run([] {
    Windows& w = Plat().windows();
    Recorder plain, layered;
    WindowHandle a = Open(plain), b = Open(layered);
    w.SetExStyle(b, ws::ExLayered);
    ASSERT_TRUE(w.LayeredSupported());
    EXPECT_FALSE(w.SetLayeredAttributes(a, 0, 128, 2));
    EXPECT_TRUE(w.SetLayeredAttributes(b, 0, 128, 2));
    EXPECT_TRUE(w.SetRegion(a, {Rect{0, 0, 10, 10}, Rect{10, 0, 20, 5}}));
    EXPECT_TRUE(w.SetRegion(a, {}));
    w.Destroy(a);
    EXPECT_FALSE(w.SetRegion(a, {Rect{0, 0, 1, 1}}));
    w.Destroy(b);
  });
}

}  // namespace
}  // namespace zq::contract
