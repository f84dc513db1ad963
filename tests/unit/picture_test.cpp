// Unit tests of the desktop picture: which windows it draws, where and in what order, the
// tray, and that no window text can break the SVG document.
#include <gtest/gtest.h>

#include <filesystem>

#include "platform/sim/sim_desktop.h"
#include "tools/zqsim/Picture.h"

namespace zq::sim {
namespace {

std::string Root(const char* name) {
  return (std::filesystem::path(::testing::TempDir()) / name).string();
}

WindowHandle Add(Desktop& d, const std::wstring& cls, const std::wstring& title, Rect rect,
                 WindowHandle parent, bool visible = true) {
  SimWindow w;
  w.className = cls;
  w.title = title;
  w.rect = rect;
  w.parent = parent ? parent : d.DesktopHandle();
  w.visible = visible;
  w.pid = 100;
  return d.NewWindow(std::move(w));
}

std::vector<std::string> Labels(const std::vector<PictureBox>& boxes) {
  std::vector<std::string> labels;
  for (const PictureBox& b : boxes) labels.push_back(b.label);
  return labels;
}

TEST(DesktopPicture, VisibleWindowsBackToFrontWithChildrenInScreenCoordinates) {
  Desktop d(Root("picture-windows"));
  WindowHandle back = Add(d, L"MozillaWindowClass", L"News", Rect{10, 20, 810, 620}, 0);
  Add(d, L"Shell Embedding", L"", Rect{5, 7, 105, 57}, back);
  Add(d, L"Hidden", L"", Rect{0, 0, 50, 50}, back, false);
  WindowHandle hiddenTop = Add(d, L"Gone", L"", Rect{0, 0, 50, 50}, 0, false);
  Add(d, L"ChildOfHidden", L"", Rect{0, 0, 10, 10}, hiddenTop);
  WindowHandle front = Add(d, L"IEFrame", L"Shop", Rect{100, 100, 900, 700}, 0);
  d.Window(front)->layered = true;
  d.Window(front)->alpha = 51;

  std::vector<PictureBox> boxes = DesktopBoxes(d);
  ASSERT_EQ(Labels(boxes), (std::vector<std::string>{"taskbar", "MozillaWindowClass \u2014 News",
                                                     "Shell Embedding", "IEFrame \u2014 Shop"}));
  EXPECT_EQ(boxes[2].rect.left, 15);
  EXPECT_EQ(boxes[2].rect.top, 27);
  EXPECT_EQ(boxes[2].rect.right, 115);
  EXPECT_EQ(boxes[2].depth, 1);
  EXPECT_NEAR(boxes[3].opacity, 0.2, 1e-9);
}

TEST(DesktopPicture, TrayIconsFromTheRightEndOfTheTaskbar) {
  Desktop d(Root("picture-tray"));
  TrayIcon first, second;
  first.data.icon = 0x70000 + 194;
  first.data.tip = L"Zephquill";
  second.data.icon = 0x70000 + 197;
  d.trayIcons = {first, second};
  std::vector<PictureBox> boxes = DesktopBoxes(d);
  ASSERT_EQ(boxes.size(), 3u);
  EXPECT_EQ(boxes[1].rect.right, d.taskbar.right - 4);
  EXPECT_LT(boxes[2].rect.right, boxes[1].rect.left);
  EXPECT_GE(boxes[1].rect.top, d.taskbar.top);
  EXPECT_LE(boxes[1].rect.bottom, d.taskbar.bottom);
  EXPECT_EQ(boxes[1].tooltip, "tray icon 194: Zephquill");
}

TEST(SvgWriter, EscapesTextsDropsEmptyBoxesAndCutsLongLabels) {
  PictureBox hostile;
  hostile.rect = Rect{1, 2, 301, 202};
  hostile.label = "<script>&\"'\x01";
  hostile.tooltip = "</title><x>";
  hostile.fill = "red\"/><x";
  PictureBox empty;
  empty.rect = Rect{5, 5, 5, 50};
  empty.label = "never drawn";
  PictureBox longLabel;
  longLabel.rect = Rect{0, 0, 10, 20};
  longLabel.label = std::string(200, 'a') + "\u00e9";
  std::string svg = SvgOf(640, 480, {hostile, empty, longLabel});

  EXPECT_EQ(svg.find("<svg "), 0u);
  EXPECT_NE(svg.find("width=\"640\" height=\"480\""), std::string::npos);
  EXPECT_NE(svg.find("x=\"1\" y=\"2\" width=\"300\" height=\"200\""), std::string::npos);
  EXPECT_NE(svg.find("&lt;script&gt;&amp;&quot;&apos; </text>"), std::string::npos);
  EXPECT_NE(svg.find("<title>&lt;/title&gt;&lt;x&gt;</title>"), std::string::npos);
  EXPECT_NE(svg.find("fill=\"red&quot;/&gt;&lt;x\""), std::string::npos);
  EXPECT_EQ(svg.find("<script"), std::string::npos);
  EXPECT_EQ(svg.find("<x"), std::string::npos);
  EXPECT_EQ(svg.find("never drawn"), std::string::npos);
  EXPECT_NE(svg.find(std::string(67, 'a') + "...</text>"), std::string::npos);
  EXPECT_EQ(svg.substr(svg.size() - 7), "</svg>\n");
}

}  // namespace
}  // namespace zq::sim
