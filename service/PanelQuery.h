// The query that the client puts on panel pages, read so that a site address holding
// "&", "?" or "=" arrives whole, and the site key under which comments are kept.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "service/WebText.h"

namespace zqs {

// Longest site address kept; longer addresses are cut (the host stays, it comes first).
constexpr std::size_t kMaxSiteAddress = 2048;

struct PanelQuery {
  Params params;     // every parameter before the site address, keys without case
  std::string site;  // TavrelZephquillURL, decoded and sanitized; empty when absent
  bool hasSite = false;

  std::string Get(const std::string& key) const;
};

// The client builds "base?extra TavrelZephquillID=id&TavrelZephquillURL=site" and
// escapes nothing, so the site address, always last, is everything after the first
// "TavrelZephquillURL=" that starts a parameter. A base page that holds a query itself
// adds a second "?", which also separates parameters here.
PanelQuery ParsePanelQuery(std::string_view rawQuery);

// The raw query of a request target ("/path?query#..."), without the "?".
std::string_view RawQueryOf(std::string_view target);

// True for an http or https address with a host: only such addresses become links.
bool IsWebAddress(std::string_view address);

// The key that groups comments about one site: the host in lower case without a
// leading "www.", user name and default port; for an address without a scheme, the
// text up to its first "/", "?" or "#", lower-cased. At most 255 bytes.
std::string SiteKey(std::string_view address);

// "scheme://host[:port]/" of a web address, or the empty text.
std::string SiteOrigin(std::string_view address);

}  // namespace zqs
