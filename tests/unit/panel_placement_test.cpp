// Tests of the panel's placement arithmetic and the remembered rectangle's text (panels in a
// running client: u3_panel_placement.zqs, panel_service.zqs).
#include <gtest/gtest.h>

#include <algorithm>

#include "app/ErrorReport.h"
#include "app/Text.h"
#include "panel/PanelGeometry.h"

using namespace zq;

namespace {

TEST(PanelGeometry, AttachedCornerAndSlidePositions) {
  PanelGeometry g;
  Rect client{0, 0, 1000, 700};
  EXPECT_EQ(g.ExpandedLeft(client, 300), 670);  // right edge 30 px inside
  EXPECT_EQ(g.CollapsedLeft(client), 970);      // only its leftmost 30 px inside
  EXPECT_EQ(g.Left(kSlideCollapsed, client, 300), 970);
  EXPECT_EQ(g.Left(kSlideExpanded, client, 300), 670);
  EXPECT_EQ(g.Top(client, 200), 485);
  EXPECT_EQ(g.SlideSteps(client, 300), 100);
  EXPECT_EQ(g.SlideSteps(client, 301), 101);  // the last step overshoots by 2 px
  g.IconOffset = 30;
  EXPECT_EQ(g.CollapsedLeft(client), 940);
  EXPECT_EQ(g.SlideSteps(client, 300), 90);
}

TEST(PanelGeometry, SizeModesAndTheMinimumReference) {
  PanelGeometry g;
  Rect browser{50, 40, 1250, 940};  // 1200 x 900
  EXPECT_EQ(g.Height(kSizeReferencePadded, 123, browser), 800);
  // Any other mode takes the request as it is, 0 included.
  for (int mode : {kSizeRequested, 0, -7}) EXPECT_EQ(g.Width(mode, 0, browser), 0);
  // A narrow browser counts as 800 wide: the full-width panel sticks out to the left.
  Rect narrow{0, 0, 600, 500};
  int width = g.Width(kSizeReference, 0, narrow);
  EXPECT_EQ(width, 800);
  EXPECT_EQ(g.Height(kSizeReference, 0, narrow), 600);
  EXPECT_EQ(g.ExpandedLeft(narrow, width), -230);
}

TEST(PanelGeometry, CentreAndRightSide) {
  EXPECT_EQ(PanelGeometry::Centre(Rect{100, 50, 900, 650}), (Point{500, 350}));
  EXPECT_EQ(PanelGeometry::Centre(Rect{0, 0, 1281, 1025}), (Point{640, 512}));
  Rect screen{0, 0, 1280, 1024};
  EXPECT_EQ(PanelGeometry::RightSidePosition(screen, 300, 200), (Point{955, 156}));
  // Each half is truncated on its own.
  EXPECT_EQ(PanelGeometry::RightSidePosition(screen, 301, 201), (Point{955, 156}));
}

TEST(PanelGeometry, RememberedRectangleText) {
  EXPECT_EQ(PanelGeometry::FormatRemembered(Rect{100, 50, 900, 650}), L"0100 0050 0900 0650");
  EXPECT_EQ(PanelGeometry::ParseRemembered(L"0100 0050 0900 0650"), (Rect{100, 50, 900, 650}));
  // Coordinates of five characters or more are written whole.
  EXPECT_EQ(PanelGeometry::FormatRemembered(Rect{10000, -1200, 0, 0}), L"10000 -1200 0000 0000");
  EXPECT_EQ(PanelGeometry::FormatRemembered(Rect{-5, 0, 0, 0}), L"-005 0000 0000 0000");
  for (const wchar_t* bad : {L"0100 0050 0900", L"0100 0050 0900 0650 0001", L"01x0 0050 0900 0650",
                             L"", L"0100005009000650"})
    EXPECT_THROW(PanelGeometry::ParseRemembered(bad), ComError) << ToUtf8(bad);
}

TEST(PanelGeometry, RoundRegionBands) {
  std::vector<Rect> bands = PanelGeometry::RoundRegion(300, 200, 10);
  ASSERT_GE(bands.size(), 3u);
  // Bands run top to bottom without gaps, mirrored; the corners are cut, the middle whole.
  int row = 0, widest = 0;
  for (const Rect& b : bands) {
    EXPECT_EQ(b.top, row);
    EXPECT_EQ(b.left, 300 - b.right);
    row = b.bottom;
    widest = std::max(widest, b.Width());
  }
  EXPECT_EQ(row, 200);
  EXPECT_EQ(widest, 300);
  EXPECT_GT(bands.front().left, 0);
  EXPECT_EQ(bands.front().left, bands.back().left);
  EXPECT_EQ(PanelGeometry::RoundRegion(1, 1, 7), (std::vector<Rect>{Rect{0, 0, 1, 1}}));
  EXPECT_TRUE(PanelGeometry::RoundRegion(0, 0, 7).empty());
  EXPECT_EQ(PanelGeometry::RoundRegion(4, 3, 0), (std::vector<Rect>{Rect{0, 0, 4, 3}}));
}

}  // namespace
