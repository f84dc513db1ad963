// What only the Windows backend's window system has, under Wine: dialogs from the template,
// and pictures, text and regions on the screen (what both desktops share: tests/contract/).
#include <string>

#include "tests/contract/contract.h"
#include "winunit_fixture.h"

namespace zq::win32::test {
namespace {

using contract::Open;
using contract::Recorder;

// The controller's dialog from template 102 with its menu and static control; the dialog
// manager's own WM_INITDIALOG is not passed on, and what the handler leaves is processed.
TEST_F(BackendTest, DialogsComeFromTheTemplateAndDefaultToTheDialogManager) {
  Recorder r;
  WindowHandle h = Open(r, WS_POPUP, 0, Rect{20, 20, 120, 80}, L"#32770");
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

// The text the handler paints over the window's picture (a picture alone: zqe2e's
// startup), and the region cut from rectangles.
TEST_F(BackendTest, TextAndRegionsReachTheScreen) {
  Recorder withText;
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
  Bitmap white;
  white.width = white.height = 40;
  white.pixels.assign(1600, 0xFFFFFF);
  WindowHandle b = Open(withText, WS_POPUP, 0, Rect{100, 30, 140, 70});
  ASSERT_TRUE(w().SetPicture(b, &white));
  w().Show(b, SW_SHOWNOACTIVATE);
  w().Redraw(b, rdw::Invalidate | rdw::Erase | rdw::UpdateNow);
  HDC dc = ::GetDC(ToHwnd(b));
  int dark = 0;
  for (int y = 0; y < 20; ++y)
    for (int x = 0; x < 40; ++x) dark += ::GetPixel(dc, x, y) == RGB(0, 0, 0);
  EXPECT_EQ(::GetPixel(dc, 30, 35), RGB(255, 255, 255));
  ::ReleaseDC(ToHwnd(b), dc);
  EXPECT_GT(dark, 20);

  ASSERT_TRUE(w().SetRegion(b, {Rect{0, 0, 10, 10}, Rect{10, 0, 20, 5}}));
  UniqueRegion rgn(::CreateRectRgn(0, 0, 0, 0));
  ASSERT_NE(::GetWindowRgn(ToHwnd(b), rgn.get()), ERROR);
  EXPECT_TRUE(::PtInRegion(rgn.get(), 5, 5));
  EXPECT_TRUE(::PtInRegion(rgn.get(), 15, 2));
  EXPECT_FALSE(::PtInRegion(rgn.get(), 15, 7));
  ASSERT_TRUE(w().SetRegion(b, {}));
  EXPECT_EQ(::GetWindowRgn(ToHwnd(b), rgn.get()), ERROR);
  w().Destroy(b);
}

}  // namespace
}  // namespace zq::win32::test
