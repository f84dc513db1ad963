// Unit tests of the desktop picture's SVG writer: no window text can break the document,
// and the pictures it embeds are PNG and base64 that a browser decodes to the same pixels.
#include <gtest/gtest.h>

#include <zlib.h>

#include "tools/zqsim/Svg.h"

namespace zq::sim {
namespace {

TEST(SvgWriter, EscapesTextsAndCutsLinesThatDoNotFit) {
  SvgCanvas c(640, 480);
  c.BeginGroup({Rect{1, 2, 301, 202}}, 0.5, "</title><x>");
  c.Box(Rect{1, 2, 301, 202}, "red\"/><x");
  c.Line(4, 14, "<script>&\"'\x01", TextStyle());
  c.Box(Rect{5, 5, 5, 50}, "#000");  // no area: left out
  c.Line(0, 30, std::string(200, 'a') + "\u00e9", TextStyle(10), 100);
  c.EndGroup();
  std::string svg = c.Finish();

  EXPECT_EQ(svg.find("<svg "), 0u);
  EXPECT_NE(svg.find("<title>&lt;/title&gt;&lt;x&gt;</title>"), std::string::npos);
  EXPECT_NE(svg.find("fill=\"red&quot;/&gt;&lt;x\""), std::string::npos);
  EXPECT_NE(svg.find(">&lt;script&gt;&amp;&quot;&apos; </text>"), std::string::npos);
  EXPECT_EQ(svg.find("<script"), std::string::npos);
  EXPECT_EQ(svg.find("<x"), std::string::npos);
  EXPECT_EQ(svg.find("width=\"0\""), std::string::npos);
  EXPECT_NE(svg.find(std::string(16, 'a') + "\u2026</text>"), std::string::npos);
  EXPECT_EQ(svg.substr(svg.size() - 7), "</svg>\n");
}

TEST(SvgWriter, PngAndBase64KeepEveryPixel) {
  EXPECT_EQ(Base64("Man"), "TWFu");
  EXPECT_EQ(Base64("Ma"), "TWE=");
  EXPECT_EQ(Base64("M"), "TQ==");

  // Opaque orange, half-transparent blue: a row is a filter byte, then R, G, B, A per pixel.
  std::string png = PngOf(2, 1, {0xFFFF8000u, 0x800000FFu});
  ASSERT_EQ(png.substr(0, 8), "\x89PNG\r\n\x1a\n");
  EXPECT_EQ(png.substr(12, 4), "IHDR");
  const size_t idat = png.find("IDAT");
  ASSERT_NE(idat, std::string::npos);
  const auto length = static_cast<uLong>(static_cast<unsigned char>(png[idat - 2]) << 8 |
                                         static_cast<unsigned char>(png[idat - 1]));
  unsigned char raw[16];
  uLongf size = sizeof raw;
  ASSERT_EQ(::uncompress(raw, &size, reinterpret_cast<const Bytef*>(png.data() + idat + 4), length),
            Z_OK);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(raw), size),
            std::string("\0\xFF\x80\x00\xFF\x00\x00\xFF\x80", 9));
}

}  // namespace
}  // namespace zq::sim
