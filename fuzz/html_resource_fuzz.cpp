// Fuzz target of the built-in pages' decoding: any bytes as a page resource, checked
// against the encoding rules (UTF-16 after a byte-order mark or before "<html", else ANSI).
#include <cctype>

#include "fuzz/FuzzSupport.h"
#include "panel/SimpleBrowser.h"

namespace {

using zqfuzz::Require;

// The text back as little-endian UTF-16 units, surrogate pairs for wide characters.
std::string ToUtf16Le(const std::wstring& text) {
  std::u16string units;
  for (wchar_t ch : text) {
    const auto c = static_cast<std::uint32_t>(ch);
    if (c > 0xFFFF) units += static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10));
    units += static_cast<char16_t>(c > 0xFFFF ? 0xDC00 + (c & 0x3FF) : c);
  }
  std::string out;
  for (char16_t u : units) out += {static_cast<char>(u & 0xFF), static_cast<char>(u >> 8)};
  return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  zqfuzz::BoundPlatform();
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  const std::wstring text = zq::SimpleBrowser::DecodeHtmlResource(bytes);
  const bool bom = size >= 2 && data[0] == 0xFF && data[1] == 0xFE;
  if (bom) {
    // Every whole unit after the mark, nothing lost and nothing added.
    Require(ToUtf16Le(text) == bytes.substr(2, (size / 2 - 1) * 2));
    return 0;
  }
  // UTF-16 without a mark when the text starts with "<html" in any case (letters beyond
  // ASCII may or may not match, depending on the system's case rules).
  bool ascii = size >= 10;
  bool tag = size >= 10;
  for (std::size_t i = 0; i < 5 && size >= 10; ++i) {
    const unsigned unit = data[2 * i] | (data[2 * i + 1] << 8);
    ascii = ascii && unit < 0x80;
    const int upper = i == 0 ? static_cast<int>(unit) : std::toupper(static_cast<int>(unit));
    tag = tag && unit < 0x80 && upper == "<HTML"[i];
  }
  const bool utf16 = size >= 10 && ToUtf16Le(text) == bytes.substr(0, size / 2 * 2);
  if (tag) Require(utf16);
  if (utf16 && (tag || !ascii)) return 0;
  // ANSI: one character per byte, ASCII unchanged.
  Require(text.size() == size);
  for (std::size_t i = 0; i < size; ++i)
    if (data[i] < 0x80) Require(text[i] == static_cast<wchar_t>(data[i]));
  return 0;
}
