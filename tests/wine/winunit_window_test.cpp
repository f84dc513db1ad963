// What only the Windows backend's window system has, under Wine: dialogs from the template,
// the modal loop's filter chain with real system windows, and pictures, text and regions on
// the screen. What both desktops share is in tests/contract/.
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

}  // namespace
}  // namespace zq::win32::test
