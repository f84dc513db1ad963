// The panel's placement arithmetic: size modes, corner and slide positions, centring, the
// rounded region as row bands, and the text of a remembered rectangle.
#include "panel/PanelGeometry.h"

#include <cmath>
#include <cwchar>

#include "app/AppConsts.h"
#include "app/ErrorReport.h"
#include "app/Text.h"

namespace zq {

namespace {

int ForMode(int mode, int requested, int extent, int minimum, int padding) {
  int reference = extent < minimum ? minimum : extent;
  if (mode == kSizeReferencePadded) return reference - padding;
  if (mode == kSizeReference) return reference;
  return requested;
}

// How far row `row` of a rounded rectangle lies inside its straight edge, for a corner
// ellipse with half-axes rx and ry; 0 outside the corner rows.
int CornerInset(int row, int height, double rx, double ry) {
  double centre = row + 0.5;
  double dy = 0;
  if (centre < ry)
    dy = ry - centre;
  else if (centre > height - ry)
    dy = centre - (height - ry);
  else
    return 0;
  double t = dy / ry;
  double inset = rx - rx * std::sqrt(t >= 1 ? 0.0 : 1.0 - t * t);
  return static_cast<int>(std::lround(inset));
}

}  // namespace

PanelGeometry::PanelGeometry(const CAppConsts& consts)
    : YOffset(consts.FLT_WND_Y_OFFSET),
      XOffset(consts.FLT_WND_X_OFFSET),
      IconOffset(consts.FLT_WND_ICON_OFFSET),
      XPadding(consts.FLT_WND_X_PADDING),
      YPadding(consts.FLT_WND_Y_PADDING),
      MinHeight(consts.FLT_WND_MIN_HEIGHT),
      MinWidth(consts.FLT_WND_MIN_WIDTH) {}

int PanelGeometry::Width(int mode, int requested, const Rect& reference) const {
  return ForMode(mode, requested, reference.right - reference.left, MinWidth, XPadding);
}

int PanelGeometry::Height(int mode, int requested, const Rect& reference) const {
  return ForMode(mode, requested, reference.bottom - reference.top, MinHeight, YPadding);
}

int PanelGeometry::CollapsedLeft(const Rect& client) const {
  return client.right - IconOffset - XOffset - client.left;
}

int PanelGeometry::ExpandedLeft(const Rect& client, int panelWidth) const {
  return client.right - panelWidth - XOffset - client.left;
}

int PanelGeometry::Left(int slideState, const Rect& client, int panelWidth) const {
  return slideState == kSlideCollapsed ? CollapsedLeft(client) : ExpandedLeft(client, panelWidth);
}

int PanelGeometry::Top(const Rect& client, int panelHeight) const {
  return client.bottom - panelHeight - client.top - YOffset;
}

int PanelGeometry::SlideSteps(const Rect& client, int panelWidth) const {
  int distance = CollapsedLeft(client) - ExpandedLeft(client, panelWidth);
  if (distance < 0) distance = -distance;
  return (distance + kSlideStepPixels - 1) / kSlideStepPixels;
}

Point PanelGeometry::Centre(const Rect& r) {
  return Point{r.left + (r.right - r.left) / 2, r.top + (r.bottom - r.top) / 2};
}

Point PanelGeometry::RightSidePosition(const Rect& screen, int width, int height) {
  return Point{screen.Width() - 25 - width / 2 - width / 2, screen.Height() / 4 - height / 2};
}

std::vector<Rect> PanelGeometry::RoundRegion(int width, int height, int ellipse) {
  std::vector<Rect> bands;
  if (width <= 0 || height <= 0) return bands;
  double rx = ellipse / 2.0;
  double ry = rx;
  if (rx > width / 2.0) rx = width / 2.0;
  if (ry > height / 2.0) ry = height / 2.0;
  for (int row = 0; row < height; ++row) {
    int inset = rx > 0 && ry > 0 ? CornerInset(row, height, rx, ry) : 0;
    Rect band{inset, row, width - inset, row + 1};
    if (band.left >= band.right) continue;
    // Rows with the same span join the band above them.
    if (!bands.empty() && bands.back().bottom == row && bands.back().left == band.left &&
        bands.back().right == band.right) {
      bands.back().bottom = row + 1;
    } else {
      bands.push_back(band);
    }
  }
  return bands;
}

std::wstring PanelGeometry::FormatRemembered(const Rect& r) {
  return Format(L"%04d %04d %04d %04d", r.left, r.top, r.right, r.bottom);
}

Rect PanelGeometry::ParseRemembered(const std::wstring& text) {
  std::vector<std::wstring> fields;
  size_t pos = 0;
  for (;;) {
    pos = text.find_first_not_of(L" \t", pos);
    if (pos == std::wstring::npos) break;
    size_t end = text.find_first_of(L" \t", pos);
    fields.push_back(text.substr(pos, end == std::wstring::npos ? std::wstring::npos : end - pos));
    pos = end;
  }
  if (fields.size() != 4) ThrowComError(hr::TypeMismatch);
  return Rect{SettingToInt32(fields[0]), SettingToInt32(fields[1]), SettingToInt32(fields[2]),
              SettingToInt32(fields[3])};
}

}  // namespace zq
