// A small SVG writer for the desktop picture: rectangles, text, embedded PNG pictures and
// clipped groups, plus the PNG and base64 encoders the embedded pictures need.
#pragma once
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "platform/types.h"

namespace zq::sim {

// PNG file bytes of `width` x `height` pixels 0xAARRGGBB, rows from the top.
std::string PngOf(int width, int height, const std::vector<std::uint32_t>& argb);
std::string Base64(const std::string& bytes);
// Text made safe for XML content and attribute values.
std::string XmlEscaped(const std::string& text);
// `text` broken at blanks (and inside words too long for a line) into lines of at most
// about `width` pixels at `fontPx` (an estimate: no fonts are measured); line breaks in the
// text are kept.
std::vector<std::string> WrappedLines(const std::string& text, int width, double fontPx);

struct TextStyle {
  explicit TextStyle(double px = 11, std::string rgb = "#000000", bool heavy = false)
      : size(px), color(std::move(rgb)), bold(heavy) {}
  double size;  // pixels
  std::string color;
  bool bold;
  enum class Align { Left, Center, Right } align = Align::Left;
  std::string family;  // empty: the document's
};

class SvgCanvas {
 public:
  SvgCanvas(int width, int height);
  void Box(const Rect& r, const std::string& fill, const std::string& stroke = "",
           int strokeWidth = 1, int radius = 0);
  // One line; `x` is where it starts (or its centre or end, by the style), `baseline` its
  // baseline. Lines that would not fit in `maxWidth` pixels are cut with an ellipsis.
  void Line(int x, int baseline, const std::string& text, const TextStyle& style, int maxWidth = 0);
  // Lines wrapped into `r`, from its top, cut where they would leave it.
  void Paragraph(const Rect& r, const std::string& text, const TextStyle& style);
  void Picture(const Rect& r, const std::string& pngBytes);
  // What follows up to the matching EndGroup is clipped to the union of `clip` (none: no
  // clipping), drawn at `opacity`, and shows `tooltip` when pointed at.
  void BeginGroup(const std::vector<Rect>& clip, double opacity = 1.0,
                  const std::string& tooltip = "");
  void EndGroup();
  // The document; the canvas is finished after it.
  std::string Finish();

 private:
  std::string body_;
  std::string defs_;
  int width_, height_;
  int clips_ = 0;
};

}  // namespace zq::sim
