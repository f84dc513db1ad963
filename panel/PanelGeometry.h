// The panel's placement rules as plain arithmetic: size modes, the attached panel's corner
// and slide positions, centring, the rounded region and the remembered rectangle's text.
#pragma once
#include <string>
#include <vector>

#include "platform/types.h"

namespace zq {

class CAppConsts;

// Size modes of a panel (WidthMode, HeightMode).
constexpr int kSizeRequested = -3;        // the size the page asked for
constexpr int kSizeReferencePadded = -2;  // reference size minus the padding
constexpr int kSizeReference = -1;        // the reference size itself
// Slide states (SlideState).
constexpr int kSlideCollapsed = 1;
constexpr int kSlideExpanded = 2;
// A slide moves this many pixels per step, one step every kSlideStepMs.
constexpr int kSlideStepPixels = 3;
constexpr unsigned kSlideStepMs = 3;

// The layout numbers of the configuration with the rules that use them. All sizes in
// pixels; rectangles are a reference window's rectangle (client or window, as the caller
// says). Divisions truncate towards zero.
class PanelGeometry {
 public:
  PanelGeometry() = default;  // the built-in defaults
  explicit PanelGeometry(const CAppConsts& consts);

  // The size for a mode: -2 reference minus padding, -1 the reference, any other mode the
  // requested size unchanged. The reference is never taken below the minimum.
  int Width(int mode, int requested, const Rect& reference) const;
  int Height(int mode, int requested, const Rect& reference) const;
  // Left edge of an attached panel in its browser's client area: collapsed only the icon
  // offset and the x offset are inside, expanded its right edge is x offset from the edge.
  int CollapsedLeft(const Rect& client) const;
  int ExpandedLeft(const Rect& client, int panelWidth) const;
  int Left(int slideState, const Rect& client, int panelWidth) const;
  // Top edge: the bottom edge y offset above the client area's bottom.
  int Top(const Rect& client, int panelHeight) const;
  // Steps a slide between the two positions takes (3 pixels each, the last may overshoot).
  int SlideSteps(const Rect& client, int panelWidth) const;

  // Centre of a rectangle.
  static Point Centre(const Rect& r);
  // Top left corner of a panel moved to the right side of the screen, a quarter down.
  static Point RightSidePosition(const Rect& screen, int width, int height);
  // Rectangles (window coordinates, one per row band) covering the rounded rectangle
  // (0, 0, width, height) with corner ellipse `ellipse` x `ellipse`; empty for an empty size.
  static std::vector<Rect> RoundRegion(int width, int height, int ellipse);

  // The remembered rectangle as stored: "%04d %04d %04d %04d" (left, top, right, bottom).
  static std::wstring FormatRemembered(const Rect& r);
  // Reads the four numbers separated by blanks, whatever their width. Throws ComError
  // when there are not exactly four numbers.
  static Rect ParseRemembered(const std::wstring& text);

  int YOffset = 15;
  int XOffset = 30;
  int IconOffset = 0;
  int XPadding = 40;
  int YPadding = 100;
  int MinHeight = 600;
  int MinWidth = 800;
};

}  // namespace zq
