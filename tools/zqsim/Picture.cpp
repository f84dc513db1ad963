// The desktop picture: the simulated desktop's visible windows, taskbar and tray icons
// collected as boxes and written as an SVG document.
#include "tools/zqsim/Picture.h"

#include <cstdio>
#include <filesystem>
#include <fstream>

#include "app/Text.h"
#include "platform/sim/sim_desktop.h"

namespace zq::sim {

namespace {

constexpr int kTrayIconSize = 22;
constexpr size_t kLabelChars = 70;

std::string Escaped(const std::string& text) {
  std::string out;
  for (char c : text) {
    switch (c) {
      case '&':
        out += "&amp;";
        break;
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '"':
        out += "&quot;";
        break;
      case '\'':
        out += "&apos;";
        break;
      default:
        // Control characters have no place in XML 1.0.
        if (static_cast<unsigned char>(c) < 0x20 && c != '\t' && c != '\n')
          out += ' ';
        else
          out += c;
    }
  }
  return out;
}

// A label cut to a readable length without splitting a UTF-8 sequence.
std::string Shortened(const std::string& text) {
  if (text.size() <= kLabelChars) return text;
  size_t cut = kLabelChars - 3;
  while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80) --cut;
  return text.substr(0, cut) + "...";
}

// A light colour chosen by the window class, the same for every run.
std::string FillFor(const std::wstring& className) {
  static const char* const kPalette[] = {"#dbe9f6", "#f6e7db", "#e0f2dc", "#efe0f5",
                                         "#f8f3d3", "#dcf1f0", "#f5dbe3", "#e6e6e6"};
  unsigned hash = 2166136261u;
  for (wchar_t c : className) hash = (hash ^ static_cast<unsigned>(c)) * 16777619u;
  return kPalette[hash % (sizeof kPalette / sizeof *kPalette)];
}

// Adds `window` (at screen offset `origin`) and its visible children, back to front.
void AddWindow(Desktop& d, const SimWindow& w, int originX, int originY, int depth,
               const Rect& parent, std::vector<PictureBox>& boxes) {
  if (!w.visible || w.iconic) return;
  PictureBox box;
  box.rect = Rect{w.rect.left + originX, w.rect.top + originY, w.rect.right + originX,
                  w.rect.bottom + originY};
  std::string title = ToUtf8(w.title);
  box.label = ToUtf8(w.className) + (title.empty() ? "" : " \u2014 " + title);
  box.tooltip = box.label;
  // A child that fills its parent exactly would write over the parent's label.
  const Rect& r = box.rect;
  if (depth > 0 && r.left == parent.left && r.top == parent.top && r.right == parent.right &&
      r.bottom == parent.bottom)
    box.label.clear();
  box.fill = FillFor(w.className);
  box.opacity = w.layered ? w.alpha / 255.0 : 1.0;
  box.depth = depth;
  boxes.push_back(box);
  for (auto it = w.children.rbegin(); it != w.children.rend(); ++it)
    if (const SimWindow* child = d.Window(*it))
      AddWindow(d, *child, box.rect.left, box.rect.top, depth + 1, box.rect, boxes);
}

}  // namespace

std::string SvgOf(int width, int height, const std::vector<PictureBox>& boxes) {
  std::string out;
  char buf[256];
  std::snprintf(buf, sizeof buf,
                "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"%d\" height=\"%d\" "
                "viewBox=\"0 0 %d %d\" font-family=\"sans-serif\">\n",
                width, height, width, height);
  out += buf;
  std::snprintf(buf, sizeof buf,
                "<rect x=\"0\" y=\"0\" width=\"%d\" height=\"%d\" fill=\"#3a6ea5\"/>\n", width,
                height);
  out += buf;
  for (const PictureBox& b : boxes) {
    if (b.rect.Width() <= 0 || b.rect.Height() <= 0) continue;
    std::snprintf(buf, sizeof buf,
                  "<g opacity=\"%.2f\"><title>%s</title>\n<rect x=\"%d\" y=\"%d\" width=\"%d\" "
                  "height=\"%d\" fill=\"%s\" stroke=\"#333333\" stroke-width=\"%d\"/>\n",
                  b.opacity, "%s", b.rect.left, b.rect.top, b.rect.Width(), b.rect.Height(),
                  Escaped(b.fill).c_str(), b.depth == 0 ? 2 : 1);
    std::string group = buf;
    group.replace(group.find("%s"), 2, Escaped(b.tooltip));
    out += group;
    if (!b.label.empty() && b.rect.Height() >= 14) {
      std::snprintf(buf, sizeof buf, "<text x=\"%d\" y=\"%d\" font-size=\"%d\">", b.rect.left + 4,
                    b.rect.top + 12, b.depth == 0 ? 11 : 9);
      out += buf;
      out += Escaped(Shortened(b.label)) + "</text>\n";
    }
    out += "</g>\n";
  }
  out += "</svg>\n";
  return out;
}

std::vector<PictureBox> DesktopBoxes(Desktop& d) {
  std::vector<PictureBox> boxes;
  // The taskbar first: windows may lie over it.
  PictureBox bar;
  bar.rect = d.taskbar;
  bar.label = "taskbar";
  bar.tooltip = "taskbar";
  bar.fill = "#245edb";
  boxes.push_back(bar);
  if (const SimWindow* top = d.Window(d.DesktopHandle())) {
    for (auto it = top->children.rbegin(); it != top->children.rend(); ++it) {
      const SimWindow* w = d.Window(*it);
      if (w && w->pid != 0) AddWindow(d, *w, 0, 0, 0, d.screen, boxes);
    }
  }
  // The tray: icons from the right end of the taskbar, the first added rightmost.
  int right = d.taskbar.right - 4;
  for (const TrayIcon& t : d.trayIcons) {
    PictureBox icon;
    const int top = d.taskbar.top + (d.taskbar.Height() - kTrayIconSize) / 2;
    icon.rect = Rect{right - kTrayIconSize, top, right, top + kTrayIconSize};
    unsigned number = t.data.icon > 0x70000 ? static_cast<unsigned>(t.data.icon - 0x70000) : 0;
    icon.label = std::to_string(number);
    icon.tooltip = "tray icon " + std::to_string(number) + ": " + ToUtf8(t.data.tip);
    icon.fill = "#ffd24d";
    icon.depth = 1;
    boxes.push_back(icon);
    right -= kTrayIconSize + 4;
  }
  return boxes;
}

bool WritePicture(Desktop& d, const std::string& file) {
  std::error_code ec;
  std::filesystem::path path(file);
  if (path.has_parent_path()) std::filesystem::create_directories(path.parent_path(), ec);
  std::ofstream out(file, std::ios::binary | std::ios::trunc);
  if (!out) return false;
  out << SvgOf(d.screen.Width(), d.screen.Height(), DesktopBoxes(d));
  return static_cast<bool>(out.flush());
}

}  // namespace zq::sim
