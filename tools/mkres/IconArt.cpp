// The quill-in-a-bubble mark as signed distances: a shape is where the distance is below
// zero, its rim where it lies within the rim's width; 4 x 4 samples per pixel smooth it.
#include "tools/mkres/IconArt.h"

#include <algorithm>
#include <cmath>

namespace zq::mkres {

namespace {

struct Vec {
  double x, y;
};

double RoundedRect(Vec p, Vec min, Vec max, double radius) {
  double cx = (min.x + max.x) / 2, cy = (min.y + max.y) / 2;
  double hx = (max.x - min.x) / 2 - radius, hy = (max.y - min.y) / 2 - radius;
  double qx = std::fabs(p.x - cx) - hx, qy = std::fabs(p.y - cy) - hy;
  double outside = std::hypot(std::max(qx, 0.0), std::max(qy, 0.0));
  return outside + std::min(std::max(qx, qy), 0.0) - radius;
}

// Convex polygon, corners in clockwise order on screen (y down): the largest signed
// distance to an edge's line. Exact inside, close enough outside for smoothing.
double Triangle(Vec p, Vec a, Vec b, Vec c) {
  auto edge = [&](Vec u, Vec v) {
    double ex = v.x - u.x, ey = v.y - u.y, len = std::hypot(ex, ey);
    return ((p.x - u.x) * ey - (p.y - u.y) * ex) / len;
  };
  return std::max({edge(a, b), edge(b, c), edge(c, a)});
}

double Bubble(Vec p) {
  double body = RoundedRect(p, {0.06, 0.08}, {0.94, 0.70}, 0.20);
  double tail = Triangle(p, {0.44, 0.60}, {0.12, 0.94}, {0.20, 0.60});
  return std::min(body, tail);
}

// Distance from p to the segment a-b, and where along it (0 at a, 1 at b) p lies.
double Segment(Vec p, Vec a, Vec b, double& along) {
  double ex = b.x - a.x, ey = b.y - a.y;
  along = std::clamp(((p.x - a.x) * ex + (p.y - a.y) * ey) / (ex * ex + ey * ey), 0.0, 1.0);
  return std::hypot(p.x - (a.x + along * ex), p.y - (a.y + along * ey));
}

constexpr Vec kQuillBase{0.30, 0.58}, kQuillTip{0.76, 0.15}, kNib{0.22, 0.66};

// The feather: widest a little above its middle, pointed at both ends.
bool InFeather(Vec p) {
  double t = 0;
  double d = Segment(p, kQuillBase, kQuillTip, t);
  double halfWidth = 0.26 * std::pow(t, 0.7) * std::pow(1.0 - t, 0.9);
  return d < halfWidth;
}

bool InShaft(Vec p) {
  double t = 0;
  return Segment(p, kQuillBase, kQuillTip, t) < 0.022 && t < 0.85;
}

bool InNib(Vec p) {
  double t = 0;
  return Segment(p, kNib, kQuillBase, t) < 0.032;
}

// The colour of one sample point, 0xAARRGGBB.
std::uint32_t Sample(Vec p, const IconStyle& s, double rim) {
  if (InShaft(p)) return 0xFF000000u | s.shaft;
  if (InFeather(p) || InNib(p)) return 0xFF000000u | s.quill;
  double d = Bubble(p);
  if (d <= -rim) return 0xFF000000u | s.bubble;
  if (d <= 0) return 0xFF000000u | s.outline;
  return 0;
}

}  // namespace

std::optional<IconStyle> StyleForIcon(unsigned id) {
  switch (id) {
    case 128:
      return IconStyle{0x5B4FC4, 0x2F2780, 0xFFFFFF, 0x5B4FC4};  // the program
    case 194:
      return IconStyle{0x2E9E4F, 0x1B5E2F, 0xFFFFFF, 0x2E9E4F};  // sharing
    case 198:
      return IconStyle{0x2F6FD0, 0x1B427D, 0xFFFFFF, 0x2F6FD0};  // not sharing
    case 196:
      return IconStyle{0x9A9A9A, 0x5C5C5C, 0xE6E6E6, 0x9A9A9A};  // disabled
    case 197:
      return IconStyle{0xD03A2F, 0x7D231C, 0xFFFFFF, 0xD03A2F};  // unreachable
    case 146:
      return IconStyle{0xE8A317, 0x8B620E, 0xFFFFFF, 0xE8A317};  // animation 1
    case 147:
      return IconStyle{0xFFF4D6, 0x8B620E, 0xE8A317, 0xFFF4D6};  // animation 2
    default:
      return std::nullopt;
  }
}

RgbaImage DrawMark(int size, const IconStyle& style) {
  constexpr int kSamples = 4;
  RgbaImage image;
  image.size = size;
  image.pixels.assign(static_cast<size_t>(size) * size, 0);
  double rim = std::max(1.0 / size, 0.05);
  for (int y = 0; y < size; ++y) {
    for (int x = 0; x < size; ++x) {
      double a = 0, r = 0, g = 0, b = 0;  // premultiplied sums
      for (int sy = 0; sy < kSamples; ++sy) {
        for (int sx = 0; sx < kSamples; ++sx) {
          Vec p{(x + (sx + 0.5) / kSamples) / size, (y + (sy + 0.5) / kSamples) / size};
          std::uint32_t c = Sample(p, style, rim);
          double alpha = (c >> 24) / 255.0;
          a += alpha;
          r += alpha * ((c >> 16) & 0xFF);
          g += alpha * ((c >> 8) & 0xFF);
          b += alpha * (c & 0xFF);
        }
      }
      if (a <= 0) continue;
      auto channel = [a](double v) { return static_cast<std::uint32_t>(std::lround(v / a)); };
      auto alpha = static_cast<std::uint32_t>(std::lround(255.0 * a / (kSamples * kSamples)));
      image.pixels[static_cast<size_t>(y) * size + x] =
          (alpha << 24) | (channel(r) << 16) | (channel(g) << 8) | channel(b);
    }
  }
  return image;
}

}  // namespace zq::mkres
