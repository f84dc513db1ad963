// The resource seam: strings, menus, icons, bitmaps and HTML pages of the executable.
#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/types.h"
#include "platform/windowing.h"

namespace zq {

// 32-bit pixels 0x00RRGGBB, rows from the top.
struct Bitmap {
  int width = 0;
  int height = 0;
  std::vector<std::uint32_t> pixels;
  std::uint32_t At(int x, int y) const { return pixels[static_cast<size_t>(y) * width + x]; }
};

class Resources {
 public:
  virtual ~Resources() = default;
  virtual std::optional<std::wstring> String(unsigned id) = 0;
  virtual std::optional<Menu> LoadMenu(unsigned id) = 0;
  virtual IconHandle LoadIcon(unsigned id) = 0;  // 0 when missing
  virtual unsigned IconId(IconHandle icon) = 0;  // the resource an icon came from, 0 if unknown
  virtual std::optional<Bitmap> LoadBitmap(unsigned id) = 0;
  // Raw bytes of a custom resource (HTML pages, registration scripts).
  virtual std::optional<std::string> Raw(const std::wstring& type, unsigned id) = 0;
};

}  // namespace zq
