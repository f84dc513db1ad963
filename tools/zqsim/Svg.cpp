// The SVG writer of the desktop picture, and the PNG (zlib) and base64 encoders for the
// pictures it embeds as data addresses.
#include "tools/zqsim/Svg.h"

#include <zlib.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <sstream>

namespace zq::sim {

namespace {

void PutBigEndian(std::string& out, std::uint32_t v) {
  for (int shift = 24; shift >= 0; shift -= 8) out += static_cast<char>((v >> shift) & 0xFF);
}

void PutChunk(std::string& out, const char* type, const std::string& data) {
  PutBigEndian(out, static_cast<std::uint32_t>(data.size()));
  std::string body = std::string(type, 4) + data;
  out += body;
  PutBigEndian(out,
               static_cast<std::uint32_t>(::crc32(0, reinterpret_cast<const Bytef*>(body.data()),
                                                  static_cast<uInt>(body.size()))));
}

std::string Attr(const char* name, int value) {
  return std::string(" ") + name + "=\"" + std::to_string(value) + "\"";
}

// The number of bytes that start UTF-8 characters in `text`: its length as a reader sees it.
size_t Characters(const std::string& text) {
  size_t n = 0;
  for (char c : text) n += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
  return n;
}

// The first `chars` characters of `text`, never splitting a UTF-8 sequence.
std::string Prefix(const std::string& text, size_t chars) {
  size_t seen = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    if ((static_cast<unsigned char>(text[i]) & 0xC0) != 0x80 && seen++ == chars)
      return text.substr(0, i);
  }
  return text;
}

// About how many characters of `fontPx` fit in `width` pixels of a sans-serif face.
size_t Fits(int width, double fontPx) {
  return static_cast<size_t>(std::max(1.0, width / (fontPx * 0.56)));
}

}  // namespace

std::string PngOf(int width, int height, const std::vector<std::uint32_t>& argb) {
  std::string raw;
  raw.reserve(static_cast<size_t>(height) * (width * 4 + 1));
  for (int y = 0; y < height; ++y) {
    raw += '\0';  // no filter
    for (int x = 0; x < width; ++x) {
      std::uint32_t p = argb[static_cast<size_t>(y) * width + x];
      for (int shift : {16, 8, 0, 24}) raw += static_cast<char>((p >> shift) & 0xFF);
    }
  }
  uLongf size = ::compressBound(static_cast<uLong>(raw.size()));
  std::string packed(size, '\0');
  ::compress2(reinterpret_cast<Bytef*>(packed.data()), &size,
              reinterpret_cast<const Bytef*>(raw.data()), static_cast<uLong>(raw.size()), 9);
  packed.resize(size);
  std::string header;
  PutBigEndian(header, static_cast<std::uint32_t>(width));
  PutBigEndian(header, static_cast<std::uint32_t>(height));
  header += std::string("\x08\x06\x00\x00\x00", 5);  // 8 bits, RGBA, deflate, no filter, plain
  std::string png = "\x89PNG\r\n\x1a\n";
  PutChunk(png, "IHDR", header);
  PutChunk(png, "IDAT", packed);
  PutChunk(png, "IEND", "");
  return png;
}

std::string Base64(const std::string& bytes) {
  static const char kAlphabet[] =
      "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string out;
  out.reserve((bytes.size() + 2) / 3 * 4);
  for (size_t i = 0; i < bytes.size(); i += 3) {
    std::uint32_t v = static_cast<unsigned char>(bytes[i]) << 16;
    if (i + 1 < bytes.size()) v |= static_cast<unsigned char>(bytes[i + 1]) << 8;
    if (i + 2 < bytes.size()) v |= static_cast<unsigned char>(bytes[i + 2]);
    out += kAlphabet[(v >> 18) & 63];
    out += kAlphabet[(v >> 12) & 63];
    out += i + 1 < bytes.size() ? kAlphabet[(v >> 6) & 63] : '=';
    out += i + 2 < bytes.size() ? kAlphabet[v & 63] : '=';
  }
  return out;
}

std::string XmlEscaped(const std::string& text) {
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
        out += static_cast<unsigned char>(c) < 0x20 && c != '\t' && c != '\n' ? ' ' : c;
    }
  }
  return out;
}

std::vector<std::string> WrappedLines(const std::string& text, int width, double fontPx) {
  const size_t room = Fits(width, fontPx);
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string paragraph; std::getline(in, paragraph);) {
    if (!paragraph.empty() && paragraph.back() == '\r') paragraph.pop_back();
    std::istringstream words(paragraph);
    std::string line;
    for (std::string word; words >> word;) {
      if (!line.empty() && Characters(line) + 1 + Characters(word) > room) {
        lines.push_back(line);
        line.clear();
      }
      // A word wider than a line (an address) is broken where the line ends.
      for (; Characters(word) > room; word = word.substr(Prefix(word, room).size()))
        lines.push_back(Prefix(word, room));
      line += (line.empty() ? "" : " ") + word;
    }
    lines.push_back(line);
  }
  return lines;
}

SvgCanvas::SvgCanvas(int width, int height) : width_(width), height_(height) {}

void SvgCanvas::Box(const Rect& r, const std::string& fill, const std::string& stroke,
                    int strokeWidth, int radius) {
  if (r.IsEmpty()) return;
  body_ += "<rect" + Attr("x", r.left) + Attr("y", r.top) + Attr("width", r.Width()) +
           Attr("height", r.Height()) + (radius ? Attr("rx", radius) : "") + " fill=\"" +
           XmlEscaped(fill.empty() ? "none" : fill) + "\"";
  if (!stroke.empty())
    body_ += " stroke=\"" + XmlEscaped(stroke) + "\"" + Attr("stroke-width", strokeWidth);
  body_ += "/>\n";
}

void SvgCanvas::Line(int x, int baseline, const std::string& text, const TextStyle& style,
                     int maxWidth) {
  std::string shown = text;
  if (maxWidth > 0 && Characters(text) > Fits(maxWidth, style.size))
    shown = Prefix(text, Fits(maxWidth, style.size) - 1) + "\u2026";
  if (shown.empty()) return;
  static const char* const kAnchor[] = {"start", "middle", "end"};
  char size[32];
  std::snprintf(size, sizeof size, "%.1f", style.size);
  body_ += "<text" + Attr("x", x) + Attr("y", baseline) + " font-size=\"" + size + "\" fill=\"" +
           XmlEscaped(style.color) + "\"" + (style.bold ? " font-weight=\"bold\"" : "") +
           " text-anchor=\"" + kAnchor[static_cast<int>(style.align)] + "\"" +
           (style.family.empty() ? "" : " font-family=\"" + XmlEscaped(style.family) + "\"") + ">" +
           XmlEscaped(shown) + "</text>\n";
}

void SvgCanvas::Paragraph(const Rect& r, const std::string& text, const TextStyle& style) {
  const int step = static_cast<int>(std::lround(style.size * 1.25));
  int x = r.left;
  if (style.align == TextStyle::Align::Center) x = (r.left + r.right) / 2;
  if (style.align == TextStyle::Align::Right) x = r.right;
  int baseline = r.top + static_cast<int>(std::lround(style.size));
  for (const std::string& line : WrappedLines(text, r.Width(), style.size)) {
    if (baseline > r.bottom) break;
    Line(x, baseline, line, style, r.Width());
    baseline += step;
  }
}

void SvgCanvas::Picture(const Rect& r, const std::string& pngBytes) {
  if (r.IsEmpty() || pngBytes.empty()) return;
  body_ += "<image" + Attr("x", r.left) + Attr("y", r.top) + Attr("width", r.Width()) +
           Attr("height", r.Height()) +
           " preserveAspectRatio=\"none\" href=\"data:image/png;base64," + Base64(pngBytes) +
           "\"/>\n";
}

void SvgCanvas::BeginGroup(const std::vector<Rect>& clip, double opacity,
                           const std::string& tooltip) {
  std::string group = "<g";
  if (!clip.empty()) {
    const std::string id = "c" + std::to_string(++clips_);
    defs_ += "<clipPath id=\"" + id + "\">";
    for (const Rect& r : clip)
      defs_ += "<rect" + Attr("x", r.left) + Attr("y", r.top) + Attr("width", r.Width()) +
               Attr("height", r.Height()) + "/>";
    defs_ += "</clipPath>\n";
    group += " clip-path=\"url(#" + id + ")\"";
  }
  if (opacity < 1.0) {
    char buf[48];
    std::snprintf(buf, sizeof buf, " opacity=\"%.2f\"", opacity);
    group += buf;
  }
  body_ += group + ">";
  if (!tooltip.empty()) body_ += "<title>" + XmlEscaped(tooltip) + "</title>";
  body_ += "\n";
}

void SvgCanvas::EndGroup() { body_ += "</g>\n"; }

std::string SvgCanvas::Finish() {
  std::string out = "<svg xmlns=\"http://www.w3.org/2000/svg\"" + Attr("width", width_) +
                    Attr("height", height_) + " viewBox=\"0 0 " + std::to_string(width_) + " " +
                    std::to_string(height_) +
                    "\" font-family=\"DejaVu Sans, Arial, sans-serif\">\n";
  if (!defs_.empty()) out += "<defs>\n" + defs_ + "</defs>\n";
  out += body_ + "</svg>\n";
  body_.clear();
  defs_.clear();
  return out;
}

}  // namespace zq::sim
