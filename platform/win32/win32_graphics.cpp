// Pictures and regions for the Windows backend: device-independent bitmaps made from and
// read into portable pixel arrays, and window regions united from rectangles.
#include <cstring>

#include "platform/win32/win32_backend.h"

namespace zq::win32 {

namespace {

// A 32-bit top-down layout: each pixel's bytes are blue, green, red, unused, which is the
// portable 0x00RRGGBB value in little-endian memory.
BITMAPINFO TopDown32(int width, int height) {
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  return info;
}

bool ValidSize(const Bitmap& picture) {
  return picture.width > 0 && picture.height > 0 &&
         picture.pixels.size() ==
             static_cast<size_t>(picture.width) * static_cast<size_t>(picture.height);
}

}  // namespace

UniqueBitmap MakeDib(const Bitmap& picture) {
  if (!ValidSize(picture)) return UniqueBitmap();
  BITMAPINFO info = TopDown32(picture.width, picture.height);
  void* bits = nullptr;
  UniqueBitmap dib(::CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
  if (!dib || !bits) return UniqueBitmap();
  std::memcpy(bits, picture.pixels.data(), picture.pixels.size() * sizeof(std::uint32_t));
  ::GdiFlush();
  return dib;
}

std::optional<Bitmap> ReadBitmap(HBITMAP bitmap) {
  BITMAP header{};
  if (!bitmap || ::GetObjectW(bitmap, sizeof header, &header) != sizeof header) return std::nullopt;
  if (header.bmWidth <= 0 || header.bmHeight <= 0) return std::nullopt;
  Bitmap out;
  out.width = header.bmWidth;
  out.height = header.bmHeight;
  out.pixels.assign(static_cast<size_t>(out.width) * out.height, 0);
  BITMAPINFO info = TopDown32(out.width, out.height);
  HDC screen = ::GetDC(nullptr);
  int rows = ::GetDIBits(screen, bitmap, 0, static_cast<UINT>(out.height), out.pixels.data(), &info,
                         DIB_RGB_COLORS);
  ::ReleaseDC(nullptr, screen);
  if (rows != out.height) return std::nullopt;
  for (std::uint32_t& p : out.pixels) p &= 0x00FFFFFFu;
  return out;
}

UniqueRegion MakeRegion(const std::vector<Rect>& rects) {
  if (rects.empty()) return UniqueRegion();
  UniqueRegion all(::CreateRectRgn(0, 0, 0, 0));
  if (!all) return UniqueRegion();
  for (const Rect& r : rects) {
    UniqueRegion part(::CreateRectRgn(r.left, r.top, r.right, r.bottom));
    if (!part || ::CombineRgn(all.get(), all.get(), part.get(), RGN_OR) == ERROR)
      return UniqueRegion();
  }
  return all;
}

}  // namespace zq::win32
