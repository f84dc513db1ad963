// The bitmap behind PixelSource: a bounds-checked read per call, as the system's own is.
#include "bench/pixel_source.h"

namespace zqbench {
namespace {

class BitmapPixels : public PixelSource {
 public:
  explicit BitmapPixels(const zq::Bitmap& bitmap) : bitmap_(bitmap) {}
  std::uint32_t Pixel(int x, int y) const override {
    if (x < 0 || y < 0 || x >= bitmap_.width || y >= bitmap_.height) return 0xFFFFFFFFu;
    return bitmap_.At(x, y);
  }

 private:
  const zq::Bitmap& bitmap_;
};

}  // namespace

std::unique_ptr<PixelSource> PixelsOf(const zq::Bitmap& bitmap) {
  return std::make_unique<BitmapPixels>(bitmap);
}

}  // namespace zqbench
