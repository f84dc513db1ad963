// Writers of .bmp and .ico files, little-endian whatever the build machine is.
#include "tools/mkres/ImageFiles.h"

#include <fstream>

namespace zq::mkres {

namespace {

void Put16(std::vector<unsigned char>& out, unsigned v) {
  out.push_back(static_cast<unsigned char>(v & 0xFF));
  out.push_back(static_cast<unsigned char>((v >> 8) & 0xFF));
}

void Put32(std::vector<unsigned char>& out, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<unsigned char>((v >> (8 * i)) & 0xFF));
}

// BITMAPINFOHEADER with no compression.
void PutInfoHeader(std::vector<unsigned char>& out, int width, int height, unsigned bits,
                   std::uint32_t imageBytes) {
  Put32(out, 40);
  Put32(out, static_cast<std::uint32_t>(width));
  Put32(out, static_cast<std::uint32_t>(height));
  Put16(out, 1);
  Put16(out, bits);
  Put32(out, 0);
  Put32(out, imageBytes);
  Put32(out, 2835);  // 72 dpi
  Put32(out, 2835);
  Put32(out, 0);
  Put32(out, 0);
}

std::vector<unsigned char> IconImage(const RgbaImage& image) {
  const int n = image.size;
  const std::uint32_t maskStride = static_cast<std::uint32_t>(((n + 31) / 32) * 4);
  const std::uint32_t colorBytes = static_cast<std::uint32_t>(n) * n * 4;
  std::vector<unsigned char> out;
  PutInfoHeader(out, n, 2 * n, 32, colorBytes + maskStride * n);
  for (int y = n - 1; y >= 0; --y)
    for (int x = 0; x < n; ++x) Put32(out, image.pixels[static_cast<size_t>(y) * n + x]);
  for (int y = n - 1; y >= 0; --y) {
    std::vector<unsigned char> row(maskStride, 0);
    for (int x = 0; x < n; ++x)
      if ((image.pixels[static_cast<size_t>(y) * n + x] >> 24) == 0)
        row[x / 8] |= static_cast<unsigned char>(0x80 >> (x % 8));
    out.insert(out.end(), row.begin(), row.end());
  }
  return out;
}

}  // namespace

std::vector<unsigned char> BmpFile(const Bitmap& bitmap) {
  const std::uint32_t stride = static_cast<std::uint32_t>((bitmap.width * 3 + 3) / 4 * 4);
  const std::uint32_t imageBytes = stride * static_cast<std::uint32_t>(bitmap.height);
  std::vector<unsigned char> out;
  out.push_back('B');
  out.push_back('M');
  Put32(out, 14 + 40 + imageBytes);
  Put32(out, 0);
  Put32(out, 14 + 40);
  PutInfoHeader(out, bitmap.width, bitmap.height, 24, imageBytes);
  for (int y = bitmap.height - 1; y >= 0; --y) {
    size_t start = out.size();
    for (int x = 0; x < bitmap.width; ++x) {
      std::uint32_t p = bitmap.At(x, y);
      out.push_back(static_cast<unsigned char>(p & 0xFF));
      out.push_back(static_cast<unsigned char>((p >> 8) & 0xFF));
      out.push_back(static_cast<unsigned char>((p >> 16) & 0xFF));
    }
    while (out.size() - start < stride) out.push_back(0);
  }
  return out;
}

std::vector<unsigned char> IcoFile(const std::vector<RgbaImage>& images) {
  std::vector<std::vector<unsigned char>> bodies;
  for (const RgbaImage& image : images) bodies.push_back(IconImage(image));
  std::vector<unsigned char> out;
  Put16(out, 0);
  Put16(out, 1);  // icon
  Put16(out, static_cast<unsigned>(images.size()));
  std::uint32_t offset = 6 + 16 * static_cast<std::uint32_t>(images.size());
  for (size_t i = 0; i < images.size(); ++i) {
    int n = images[i].size;
    out.push_back(static_cast<unsigned char>(n >= 256 ? 0 : n));
    out.push_back(static_cast<unsigned char>(n >= 256 ? 0 : n));
    out.push_back(0);  // no palette
    out.push_back(0);
    Put16(out, 1);
    Put16(out, 32);
    Put32(out, static_cast<std::uint32_t>(bodies[i].size()));
    Put32(out, offset);
    offset += static_cast<std::uint32_t>(bodies[i].size());
  }
  for (const auto& body : bodies) out.insert(out.end(), body.begin(), body.end());
  return out;
}

bool WriteFile(const std::string& path, const std::vector<unsigned char>& bytes) {
  std::ofstream file(path, std::ios::binary | std::ios::trunc);
  file.write(reinterpret_cast<const char*>(bytes.data()),
             static_cast<std::streamsize>(bytes.size()));
  return static_cast<bool>(file);
}

}  // namespace zq::mkres
