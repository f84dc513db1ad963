// The desktop picture: walks the simulated desktop's windows back to front and draws what
// each shows (a frame's title, a browser's address and page, a web control's page, a
// window's picture and painted text), then the taskbar and the tray with its tooltips.
#include "tools/zqsim/Picture.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>

#include "app/Text.h"
#include "platform/sim/sim_browsers.h"
#include "platform/sim/sim_desktop.h"
#include "platform/sim/sim_taskbar.h"
#include "platform/sim/sim_web_control.h"
#include "tools/mkres/IconArt.h"
#include "tools/zqsim/PageCamera.h"
#include "tools/zqsim/Svg.h"

namespace zq::sim {

namespace {

constexpr int kTitleBand = 22;                // a framed window's title bar
constexpr int kAddressBar = 24;               // a browser's address bar, under the title
constexpr int kTrayIcon = 20;                 // the tray icons' size
constexpr IconHandle kIconBase = 0x70000;     // the simulated desktop's icon handles
constexpr std::uint32_t kSkinKey = 0xFF00FF;  // the pictures' transparent colour

Rect Offset(const Rect& r, int dx, int dy) {
  return Rect{r.left + dx, r.top + dy, r.right + dx, r.bottom + dy};
}

Rect Inset(const Rect& r, int dx, int dy) {
  return Rect{r.left + dx, r.top + dy, r.right - dx, r.bottom - dy};
}

std::string Hex(std::uint32_t rgb) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "#%06x", rgb & 0xFFFFFF);
  return buf;
}

// A window picture as PNG, its transparent colour see-through.
std::string PngOfBitmap(const Bitmap& b) {
  std::vector<std::uint32_t> argb(b.pixels.size());
  for (size_t i = 0; i < argb.size(); ++i)
    argb[i] = b.pixels[i] == kSkinKey ? 0 : (0xFF000000u | b.pixels[i]);
  return PngOf(b.width, b.height, argb);
}

// The client's icon picture by its handle on the simulated desktop; empty when unknown.
std::string IconPng(IconHandle icon) {
  auto style = icon > kIconBase ? mkres::StyleForIcon(static_cast<unsigned>(icon - kIconBase))
                                : std::nullopt;
  if (!style) return "";
  mkres::RgbaImage mark = mkres::DrawMark(kTrayIcon, *style);
  return PngOf(mark.size, mark.size, mark.pixels);
}

// "-2146697211" as the 32-bit code a Windows programmer knows: 0x800C0005.
std::string StatusText(const std::string& outcome) {
  const std::string number = outcome.substr(outcome.find(' ') + 1);
  const long long status = std::strtoll(number.c_str(), nullptr, 10);
  if (status >= 0) return "status " + std::to_string(status);
  char buf[32];
  std::snprintf(buf, sizeof buf, "error 0x%08X", static_cast<unsigned>(status));
  return buf;
}

class Painter {
 public:
  Painter(Desktop& d, const PictureOptions& o)
      : d_(d), o_(o), c_(d.screen.Width(), d.screen.Height()) {
    for (const auto& control : d.web().Controls())
      if (!control->released) controls_[control->window] = control.get();
    for (const auto& b : Browsers(d).All()) {
      browsers_[b->frame] = b.get();
      if (b->active < b->tabs.size()) views_[b->tabs[b->active].view] = &b->tabs[b->active];
    }
  }

  std::string Paint() {
    c_.Box(d_.screen, "#3a6ea5");
    if (const SimWindow* top = d_.Window(d_.DesktopHandle())) {
      for (auto it = top->children.rbegin(); it != top->children.rend(); ++it) {
        const SimWindow* w = d_.Window(*it);
        if (w && w->pid != 0) Window(*w, 0, 0, 0);
      }
    }
    Taskbar();
    if (!o_.note.empty()) {
      const Rect band{0, 0, d_.screen.Width(), 20};
      c_.Box(band, "#fff3b0", "#8a6d00");
      c_.Line(6, 14, o_.note, TextStyle{11, "#4a3b00"}, band.Width() - 12);
    }
    return c_.Finish();
  }

 private:
  void Window(const SimWindow& w, int originX, int originY, int depth);
  void OwnContent(const SimWindow& w, const Rect& r, int depth);
  void Page(const SimWebControlRecord& control, const Rect& r);
  void PageBox(const Rect& r, const std::string& heading, const std::string& text,
               const std::string& fill);
  void TitleBar(const SimWindow& w, const Rect& r);
  void AddressBar(const FakeBrowser& b, const Rect& client);
  void Taskbar();

  Desktop& d_;
  const PictureOptions& o_;
  SvgCanvas c_;
  std::map<WindowHandle, const SimWebControlRecord*> controls_;
  std::map<WindowHandle, const FakeBrowser*> browsers_;
  std::map<WindowHandle, const FakeTab*> views_;
};

// A window, back to front: what it shows itself, then its children inside its client area
// (under a frame's title bar), all cut to its region when it has one.
void Painter::Window(const SimWindow& w, int originX, int originY, int depth) {
  if (!w.visible || w.iconic) return;
  const Rect r = Offset(w.rect, originX, originY);
  if (r.IsEmpty()) return;
  std::vector<Rect> clip;
  for (const Rect& band : w.region) clip.push_back(Offset(band, r.left, r.top));
  if (clip.empty()) clip.push_back(r);
  std::string title = ToUtf8(w.title);
  c_.BeginGroup(clip, w.layered ? w.alpha / 255.0 : 1.0,
                ToUtf8(w.className) + (title.empty() ? "" : ": " + title));
  OwnContent(w, r, depth);
  const bool framed = depth == 0 && (w.style & ws::Caption) == ws::Caption;
  Rect client = r;
  if (framed) client.top = std::min(r.bottom, r.top + kTitleBand);
  c_.BeginGroup({client});
  for (auto it = w.children.rbegin(); it != w.children.rend(); ++it)
    if (const SimWindow* child = d_.Window(*it)) Window(*child, r.left, r.top, depth + 1);
  c_.EndGroup();
  auto browser = browsers_.find(w.handle);
  if (framed && browser != browsers_.end()) AddressBar(*browser->second, client);
  c_.EndGroup();
}

void Painter::OwnContent(const SimWindow& w, const Rect& r, int depth) {
  if (depth == 0 && !w.picture) c_.Box(r, "#ece9d8", "#4d4d4d");
  if ((w.style & ws::Caption) == ws::Caption && depth == 0) TitleBar(w, r);
  if (auto view = views_.find(w.handle); view != views_.end()) {
    c_.Box(r, "#ffffff", "#9a9a9a");
    const FakeTab& tab = *view->second;
    PageBox(Inset(r, 1, 1), ToUtf8(tab.title), ToUtf8(tab.url) + "  (the site's own page)",
            "#ffffff");
  }
  if (auto control = controls_.find(w.handle); control != controls_.end())
    Page(*control->second, r);
  if (w.picture)
    c_.Picture(Rect{r.left, r.top, r.left + w.picture->width, r.top + w.picture->height},
               PngOfBitmap(*w.picture));
  auto painted = d_.taskbarShell().paints.find(w.handle);
  if (painted != d_.taskbarShell().paints.end() && painted->second.hasText) {
    const TextPaint& t = painted->second.text;
    TextStyle style{t.font.tenthsOfPoint * 96.0 / 720.0, Hex(t.color), t.font.bold};
    style.family = ToUtf8(t.font.face);
    if (t.format & 0x1) style.align = TextStyle::Align::Center;  // DT_CENTER
    c_.Paragraph(Offset(t.rect, r.left, r.top), ToUtf8(t.text), style);
  }
}

void Painter::TitleBar(const SimWindow& w, const Rect& r) {
  const Rect band{r.left, r.top, r.right, std::min(r.bottom, r.top + kTitleBand)};
  const bool active = d_.foreground == w.handle;
  c_.Box(band, active ? "#2a5bd7" : "#7a96c9");
  c_.Line(band.left + 8, band.top + 15, ToUtf8(w.title), TextStyle{12, "#ffffff", true},
          band.Width() - 16);
}

void Painter::AddressBar(const FakeBrowser& b, const Rect& client) {
  if (b.active >= b.tabs.size()) return;
  const Rect bar{client.left + 6, client.top + 4, client.right - 6,
                 std::min(client.bottom, client.top + 4 + kAddressBar)};
  c_.Box(bar, "#ffffff", "#7f9db9", 1, 3);
  c_.Line(bar.left + 6, bar.top + 16, ToUtf8(b.tabs[b.active].url), TextStyle{12, "#1a1a1a"},
          bar.Width() - 12);
}

// What a web control shows: the page it loaded, pictured at its size; the error the client
// saw when the last load failed; the text the client wrote into it; or nothing (blank).
void Painter::Page(const SimWebControlRecord& control, const Rect& r) {
  for (auto it = control.navigations.rbegin(); it != control.navigations.rend(); ++it) {
    if (it->by == "frame" || it->outcome == "cancelled" || it->outcome == "pending") continue;
    if (it->outcome.rfind("failed", 0) == 0) {
      PageBox(r, "This page could not be loaded", ToUtf8(it->url) + "\n" + StatusText(it->outcome),
              "#fbe3e1");
      return;
    }
    break;
  }
  const SimDocumentState* doc = control.document.get();
  std::string url = doc ? ToUtf8(doc->url) : "";
  std::string from = url;
  if (doc && !doc->written.empty()) {
    url = from = "data:text/html;base64," + Base64(ToUtf8(doc->written));
  } else if (url.empty() || url.rfind("about:", 0) == 0) {
    c_.Box(r, "#ffffff");
    return;
  } else if (o_.loadFrom) {
    from = o_.loadFrom(url);
  }
  std::optional<std::string> png;
  if (o_.camera) png = o_.camera->Shot(url, r.Width(), r.Height(), from);
  if (png) {
    c_.Picture(r, *png);
    return;
  }
  PageBox(r, doc && !doc->written.empty() ? "A page the client wrote" : "Page", url, "#e8f0fb");
}

void Painter::PageBox(const Rect& r, const std::string& heading, const std::string& text,
                      const std::string& fill) {
  c_.Box(r, fill, "#9a9a9a");
  c_.Paragraph(Inset(r, 6, 4), heading, TextStyle{12, "#1a1a1a", true});
  c_.Paragraph(Rect{r.left + 6, r.top + 22, r.right - 6, r.bottom - 4}, text,
               TextStyle{10, "#444444"});
}

// The taskbar with its Start button, and the tray: icons from its right end (the first
// added rightmost), each icon's tooltip in a box to the left of the icons.
void Painter::Taskbar() {
  const Rect bar = d_.taskbar;
  c_.Box(bar, "#245edb");
  const Rect start{bar.left, bar.top, bar.left + 80, bar.bottom};
  c_.Box(start, "#3c9a3c");
  c_.Line(start.left + 12, start.top + bar.Height() / 2 + 5, "start",
          TextStyle{14, "#ffffff", true});
  int right = bar.right - 6;
  std::vector<std::string> tips;
  for (const TrayIcon& t : d_.trayIcons) {
    const int top = bar.top + (bar.Height() - kTrayIcon) / 2;
    const Rect place{right - kTrayIcon, top, right, top + kTrayIcon};
    c_.BeginGroup({}, 1.0, "tray icon " + std::to_string(t.data.id) + ": " + ToUtf8(t.data.tip));
    std::string png = IconPng(t.data.icon);
    if (png.empty())
      c_.Box(place, "#ffd24d", "#333333");
    else
      c_.Picture(place, png);
    c_.EndGroup();
    if (!t.data.tip.empty()) tips.push_back(ToUtf8(t.data.tip));
    right -= kTrayIcon + 4;
  }
  for (const std::string& tip : tips) {
    std::vector<std::string> lines = WrappedLines(tip, 1000, 10);
    size_t longest = 0;
    for (const std::string& l : lines) longest = std::max(longest, l.size());
    const int width = static_cast<int>(longest) * 6 + 12;
    const Rect box{right - 4 - width, bar.top + 2, right - 4, bar.bottom - 2};
    c_.Box(box, "#ffffe1", "#767676");
    c_.Paragraph(Inset(box, 6, 1), tip, TextStyle{10, "#000000"});
    right = box.left - 4;
  }
}

}  // namespace

std::string DesktopSvg(Desktop& desktop, const PictureOptions& options) {
  return Painter(desktop, options).Paint();
}

bool WritePicture(Desktop& desktop, const std::string& file, const PictureOptions& options,
                  ChromiumCamera* pngMaker, std::string& said) {
  namespace fs = std::filesystem;
  std::error_code ec;
  fs::path path(file);
  if (path.has_parent_path()) fs::create_directories(path.parent_path(), ec);
  {
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    if (!out || !(out << DesktopSvg(desktop, options)).flush()) return false;
  }
  const std::string png = fs::path(file).replace_extension(".png").string();
  std::optional<std::string> bytes;
  if (pngMaker) bytes = pngMaker->ShotOfFile(file, desktop.screen.Width(), desktop.screen.Height());
  if (bytes) {
    std::ofstream(png, std::ios::binary | std::ios::trunc) << *bytes;
    said = "and " + png;
  } else {
    fs::remove(png, ec);  // an older picture would pass for this one
    said = "(no PNG: it needs Chromium)";
  }
  return true;
}

}  // namespace zq::sim
