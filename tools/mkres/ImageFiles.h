// Picture files for the Windows resource compiler: 24-bit .bmp files from portable
// bitmaps and multi-size 32-bit .ico files from pictures with alpha.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "platform/resources.h"

namespace zq::mkres {

// Pixels 0xAARRGGBB, rows from the top.
struct RgbaImage {
  int size = 0;  // icons are square
  std::vector<std::uint32_t> pixels;
};

// The file bytes. The .bmp is bottom-up with rows padded to four bytes; the .ico holds
// one 32-bit image per entry with its AND mask (set where the picture is transparent).
std::vector<unsigned char> BmpFile(const Bitmap& bitmap);
std::vector<unsigned char> IcoFile(const std::vector<RgbaImage>& images);

bool WriteFile(const std::string& path, const std::vector<unsigned char>& bytes);

}  // namespace zq::mkres
