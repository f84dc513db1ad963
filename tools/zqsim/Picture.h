// A picture of the simulated desktop as a person would see it: browser windows with their
// titles and addresses, the panels with their pages, the notifier popup with its skin and
// text, the taskbar and the tray icons with their tooltips; as SVG, and PNG beside it.
#pragma once
#include <functional>
#include <string>

namespace zq::sim {

class Desktop;
class PageCamera;
class ChromiumCamera;

struct PictureOptions {
  // Takes the pictures of the pages in web controls; null: pages are labelled boxes.
  PageCamera* camera = nullptr;
  // The address where the page a control shows can be loaded now (the live service's for
  // the client's hosts); empty when it cannot be. Null: every address as it is.
  std::function<std::string(const std::string&)> loadFrom;
  // Said at the top of the picture (why pages are boxes, for instance); empty: nothing.
  std::string note;
};

// The SVG document of the desktop now.
std::string DesktopSvg(Desktop& desktop, const PictureOptions& options);

// Writes DesktopSvg to `file` and, when `pngMaker` can, the same picture as PNG beside it
// (the name with ".png" in place of ".svg"). False when the SVG cannot be written; `said`
// gets what the caller should tell (where the PNG went, or why there is none).
bool WritePicture(Desktop& desktop, const std::string& file, const PictureOptions& options,
                  ChromiumCamera* pngMaker, std::string& said);

}  // namespace zq::sim
