// Fuzz target of the reference service's reading of requests: any bytes as a posted form, a
// panel query and a request target, checked for valid text, stable re-reading and limits.
#include "fuzz/FuzzSupport.h"
#include "service/PanelQuery.h"
#include "service/WebText.h"

namespace {

using zqfuzz::Require;

// Well-formed UTF-8: shortest forms only, no surrogates, nothing above U+10FFFF.
bool IsValidUtf8(std::string_view s) {
  for (std::size_t i = 0; i < s.size();) {
    const unsigned char c = static_cast<unsigned char>(s[i]);
    std::size_t n = c < 0x80 ? 1 : (c >> 5) == 6 ? 2 : (c >> 4) == 14 ? 3 : (c >> 3) == 30 ? 4 : 0;
    if (n == 0 || i + n > s.size()) return false;
    std::uint32_t cp = n == 1 ? c : c & (0x7F >> n);
    for (std::size_t k = 1; k < n; ++k) {
      const unsigned char t = static_cast<unsigned char>(s[i + k]);
      if ((t & 0xC0) != 0x80) return false;
      cp = (cp << 6) | (t & 0x3F);
    }
    static const std::uint32_t kMin[] = {0, 0, 0x80, 0x800, 0x10000};
    if (cp < kMin[n] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return false;
    i += n;
  }
  return true;
}

bool HasControl(std::string_view s, bool lineBreakAllowed) {
  for (char ch : s) {
    const unsigned char c = static_cast<unsigned char>(ch);
    if ((c < 0x20 && !(lineBreakAllowed && c == '\n')) || c == 0x7F) return true;
  }
  return false;
}

void CheckForm(std::string_view body) {
  const zqs::Params form = zqs::ParseForm(body);
  std::string again;
  for (const auto& [key, value] : form) {
    Require(IsValidUtf8(key) && IsValidUtf8(value));
    Require(!HasControl(key, false) && !HasControl(value, true));
    if (!again.empty()) again += '&';
    again += zqs::PercentEncode(key) + "=" + zqs::PercentEncode(value);
  }
  // What the service read, posted again, reads the same.
  Require(zqs::ParseForm(again) == form);
}

void CheckQuery(std::string_view raw) {
  const zqs::PanelQuery q = zqs::ParsePanelQuery(raw);
  for (const auto& [key, value] : q.params) {
    Require(IsValidUtf8(key) && IsValidUtf8(value));
    Require(!HasControl(key, false) && !HasControl(value, false));
  }
  Require(IsValidUtf8(q.site) && !HasControl(q.site, false));
  Require(zqs::Utf8Length(q.site) <= zqs::kMaxSiteAddress);
  Require(q.hasSite || q.site.empty());
  if (q.hasSite) Require(zqs::ToLowerAscii(raw).find("tavrelzephquillurl=") != std::string::npos);
}

void CheckAddress(std::string_view text) {
  const std::string_view query = zqs::RawQueryOf(text);
  Require(query.find('#') == std::string_view::npos);
  if (!query.empty()) Require(text.find(query) != std::string_view::npos);

  Require(zqs::SiteKey(text).size() <= 255);
  const std::string origin = zqs::SiteOrigin(text);
  Require(origin.empty() == !zqs::IsWebAddress(text));
  // An origin is its own origin.
  if (!origin.empty()) Require(zqs::SiteOrigin(origin) == origin);

  Require(zqs::PercentDecode(zqs::PercentEncode(text), false) == text);
  Require(zqs::PercentDecode(zqs::PercentEncode(text), true) == text);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  CheckForm(input);
  CheckQuery(input);
  CheckAddress(input);
  return 0;
}
