// Contract cases of the window system: creation and classes, the tree with parents, owners
// and z-order, visibility and SetWindowPos, activation and focus, layered windows, regions.
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

// Creation reaches the handler with the description, a refused WM_CREATE leaves no window,
// destruction tells the handler; a class keeps what it was registered with, one per name.
ZQ_CONTRACT(WindowsContract, CreationDestructionAndClasses) {
  Recorder r;
  const WindowSpec* atCreate = nullptr;
  r.on = [&](WindowHandle, unsigned m, WParam, LParam lp) -> Answer {
    if (m == wm::Create) atCreate = reinterpret_cast<const WindowSpec*>(lp);
    return m == wm::User ? Answer(42) : std::nullopt;
  };
  const WindowSpec desc{L"ZqContractCreate",   L"Made", ws::Popup, 0,
                        Rect{10, 10, 110, 60}, 0,       &r,        0};
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

  const C splash{L"ZqContractClass",
                 C::ByteAlignClient | C::ByteAlignWindow,
                 C::AppStartingCursor,
                 C::Brush::Stock,
                 C::LightGrayStock,
                 30,
                 0};
  for (const C& c : {splash, C::ArrowOnWindowColor(L"ZqContractPanel", C::DblClks | C::SaveBits)}) {
    EXPECT_TRUE(W().RegisterClass(c));
    EXPECT_EQ(W().RegisteredClass(c.name), c);
  }
  EXPECT_FALSE(W().RegisterClass(C::ArrowOnWindowColor(L"zqcontractclass", 0))) << "any case";
  EXPECT_TRUE(W().UnregisterClass(L"ZqContractClass"));
  EXPECT_FALSE(W().UnregisterClass(L"ZqContractClass"));
  EXPECT_EQ(W().RegisteredClass(L"ZqContractClass"), std::nullopt);
  EXPECT_TRUE(W().UnregisterClass(L"ZqContractPanel"));
}

// GetParent: a child's parent, a pop-up's owner. A new child comes below its siblings (tab
// order), a new top-level window on top; FindWindow searches one level, after a sibling.
// Destroying a window takes its children and owned pop-ups with it.
ZQ_CONTRACT(WindowsContract, ParentsOwnersAndZOrder) {
  Windows& w = W();
  Recorder top, a, b, owned, other;
  WindowHandle parent = Open(top, ws::Popup, 0, Rect{100, 100, 300, 300}, L"ZqContractTree");
  WindowHandle first = Open(a, ws::Child, parent, Rect{10, 20, 50, 60});
  WindowHandle second = Open(b, ws::Child, parent, Rect{0, 0, 10, 10});
  WindowHandle popup = Open(owned, ws::Popup, parent);
  EXPECT_EQ(w.Parent(first), parent);
  EXPECT_EQ(w.Parent(popup), parent) << "a pop-up's owner";
  EXPECT_EQ(w.Parent(parent), 0u);
  EXPECT_EQ(w.WindowRect(first), (Rect{110, 120, 150, 160}));
  EXPECT_EQ(ZOrder(parent), (std::vector<WindowHandle>{first, second}));
  EXPECT_TRUE(w.BringToTop(second));
  EXPECT_EQ(ZOrder(parent), (std::vector<WindowHandle>{second, first}));
  EXPECT_EQ(w.FindWindow(parent, 0, L"ZqContract", L""), second);
  EXPECT_EQ(w.FindWindow(parent, second, L"zqcontract", L"CONTRACT"), first);
  EXPECT_EQ(w.FindWindow(parent, first, L"ZqContract", L""), 0u);
  EXPECT_EQ(w.FindWindow(0, 0, L"ZqContractTree", L"Contract"), parent);

  auto above = [](WindowHandle x, WindowHandle y) {
    std::vector<WindowHandle> z = ZOrder(W().DesktopWindow());
    return std::find(z.begin(), z.end(), x) < std::find(z.begin(), z.end(), y);
  };
  WindowHandle later = Open(other);
  EXPECT_TRUE(above(later, parent)) << "a new window comes on top";
  EXPECT_TRUE(w.BringToTop(parent));
  EXPECT_TRUE(above(parent, later));
  w.Destroy(later);
  w.Destroy(parent);
  EXPECT_FALSE(w.IsWindow(first) || w.IsWindow(popup));
  EXPECT_TRUE(a.Saw(wm::NcDestroy) && owned.Saw(wm::NcDestroy));
}

// Show answers the previous visibility; a child shows only with its parent; SetWindowPos
// shows, hides, moves and sizes by its flags; a handler may rewrite the position record;
// WM_SIZE tells a new size. Layered attributes need the layered style; regions come and go.
ZQ_CONTRACT(WindowsContract, VisibilityPositionsLayersAndRegions) {
  Windows& w = W();
  Recorder top, kid;
  bool keepHidden = false;
  top.on = [&](WindowHandle, unsigned m, WParam, LParam lp) -> Answer {
    if (m == wm::WindowPosChanging && lp && keepHidden)
      reinterpret_cast<WindowPos*>(lp)->flags &= ~swp::ShowWindow;
    return std::nullopt;
  };
  WindowHandle h = Open(top, ws::Popup, 0, Rect{20, 20, 120, 80});
  WindowHandle child = Open(kid, ws::Child | ws::Visible, h, Rect{0, 0, 10, 10});
  EXPECT_FALSE(w.IsVisible(h) || w.IsVisible(child)) << "hidden with its parent";
  EXPECT_FALSE(w.Show(h, sw::ShowNoActivate));
  EXPECT_TRUE(w.IsVisible(h) && w.IsVisible(child));
  EXPECT_TRUE(w.Show(h, sw::Hide));
  EXPECT_FALSE(w.IsVisible(h));
  for (unsigned flag : {swp::ShowWindow, swp::HideWindow}) {
    const unsigned keep = swp::NoMove | swp::NoSize | swp::NoZOrder | swp::NoActivate;
    EXPECT_TRUE(w.SetWindowPos(h, 0, Rect{}, keep | flag));
    EXPECT_EQ(w.IsVisible(h), flag == swp::ShowWindow);
  }
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
  ASSERT_TRUE(w.LayeredSupported());
  EXPECT_FALSE(w.SetLayeredAttributes(h, 0, 128, 2));
  w.SetExStyle(h, ws::ExLayered);
  EXPECT_TRUE(w.SetLayeredAttributes(h, 0, 128, 2));
  EXPECT_TRUE(w.SetRegion(h, {Rect{0, 0, 10, 10}, Rect{10, 0, 20, 5}}));
  EXPECT_TRUE(w.SetRegion(h, {}));
  w.Destroy(h);
  EXPECT_FALSE(w.SetRegion(h, {Rect{0, 0, 1, 1}}));
}

// The foreground window is its thread's active window, only ever a top-level one; focus
// goes to any window of the thread, both ends are told, and none stays on a destroyed one.
ZQ_CONTRACT(WindowsContract, ForegroundActivationAndFocus) {
  Windows& w = W();
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
  EXPECT_TRUE(kid.Saw(wm::SetFocus) && top.Saw(wm::KillFocus));
  w.Destroy(child);
  EXPECT_NE(w.Focus(), child);
  w.Destroy(h);
  EXPECT_NE(w.Foreground(), h);
  EXPECT_EQ(w.ActiveWindow(), 0u);
}

}  // namespace
}  // namespace zq::contract
