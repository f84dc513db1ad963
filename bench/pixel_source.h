// One pixel per call across a virtual interface compiled on its own: how a region is read
// when every pixel is asked of the system (GetPixel on a memory device context).
#pragma once
#include <cstdint>
#include <memory>

#include "platform/resources.h"

namespace zqbench {

class PixelSource {
 public:
  virtual ~PixelSource() = default;
  // 0x00RRGGBB of the pixel at (x, y), rows from the top.
  virtual std::uint32_t Pixel(int x, int y) const = 0;
};

// A source over `bitmap`, which must outlive it. Defined in its own file so that the
// compiler cannot see through the call.
std::unique_ptr<PixelSource> PixelsOf(const zq::Bitmap& bitmap);

}  // namespace zqbench
