// The client's icon pictures, drawn in code: a speech bubble with a quill, in one colour
// scheme per state (sharing, not sharing, disabled, unreachable, animation frames).
#pragma once
#include <cstdint>
#include <optional>

#include "tools/mkres/ImageFiles.h"

namespace zq::mkres {

struct IconStyle {
  std::uint32_t bubble;   // 0xRRGGBB fill of the bubble
  std::uint32_t outline;  // its rim
  std::uint32_t quill;    // the feather
  std::uint32_t shaft;    // the line along the feather
};

// The colours of each icon resource of the client; nothing for an id it does not have.
std::optional<IconStyle> StyleForIcon(unsigned id);

// The mark at `size` x `size` pixels, anti-aliased, transparent around the bubble.
RgbaImage DrawMark(int size, const IconStyle& style);

}  // namespace zq::mkres
