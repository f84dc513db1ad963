// A picture of the simulated desktop as SVG: every visible window's rectangle with its class
// and title, the taskbar and the tray icons.
#pragma once
#include <string>
#include <vector>

#include "platform/types.h"

namespace zq::sim {

class Desktop;

// One rectangle of the picture, in screen coordinates, drawn in order (back to front).
struct PictureBox {
  Rect rect;
  std::string label;    // UTF-8; drawn inside the rectangle's top-left corner
  std::string tooltip;  // UTF-8; the SVG title shown when pointing at it
  std::string fill;     // an SVG colour
  double opacity = 1.0;
  int depth = 0;  // 0: a top-level window; more: nested inside one
};

// The SVG document of a `width` x `height` screen holding `boxes`. Texts are escaped for
// XML; boxes with no area are left out.
std::string SvgOf(int width, int height, const std::vector<PictureBox>& boxes);
// The desktop's visible windows back to front (each followed by its visible children), the
// taskbar and the tray icons.
std::vector<PictureBox> DesktopBoxes(Desktop& desktop);
// Writes SvgOf(DesktopBoxes) to `file` (a path on the real disk); false when it cannot.
bool WritePicture(Desktop& desktop, const std::string& file);

}  // namespace zq::sim
