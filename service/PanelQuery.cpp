// The query that the client puts on panel pages, read so that a site address holding
// "&", "?" or "=" arrives whole, and the site key under which comments are kept.
#include "service/PanelQuery.h"

namespace zqs {

namespace {

constexpr std::string_view kSiteParam = "tavrelzephquillurl=";

struct Authority {
  std::string scheme;  // lower case
  std::string host;    // lower case, without user name and port
  std::string port;    // empty for the scheme's default
  bool ok = false;
};

Authority AuthorityOf(std::string_view address) {
  Authority a;
  std::size_t colon = address.find("://");
  if (colon == std::string_view::npos || colon == 0) return a;
  a.scheme = ToLowerAscii(address.substr(0, colon));
  for (char c : a.scheme)
    if (!((c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '+' || c == '-' || c == '.'))
      return a;
  std::size_t begin = colon + 3;
  std::size_t end = address.find_first_of("/\\?#", begin);
  std::string_view auth = address.substr(begin, end == std::string_view::npos ? end : end - begin);
  std::size_t at = auth.rfind('@');
  if (at != std::string_view::npos) auth.remove_prefix(at + 1);
  std::size_t portColon = auth.rfind(':');
  if (portColon != std::string_view::npos && auth.find(']') == std::string_view::npos) {
    a.port = std::string(auth.substr(portColon + 1));
    auth = auth.substr(0, portColon);
  }
  if ((a.scheme == "http" && a.port == "80") || (a.scheme == "https" && a.port == "443"))
    a.port.clear();
  for (char c : a.port)
    if (c < '0' || c > '9') return a;
  a.host = ToLowerAscii(auth);
  bool bracketed = a.host.size() > 2 && a.host.front() == '[' && a.host.back() == ']';
  for (char ch : a.host) {
    unsigned char c = static_cast<unsigned char>(ch);
    bool hostChar = (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' || c == '.' ||
                    c == '_' || c >= 0x80 || (bracketed && (c == ':' || c == '[' || c == ']'));
    if (!hostChar) return a;
  }
  a.ok = !a.host.empty();
  return a;
}

void AddParams(Params& params, std::string_view text) {
  std::size_t pos = 0;
  while (pos <= text.size()) {
    std::size_t end = text.find_first_of("&?", pos);
    if (end == std::string_view::npos) end = text.size();
    std::string_view pair = text.substr(pos, end - pos);
    if (!pair.empty()) {
      std::size_t eq = pair.find('=');
      std::string key = SanitizeText(PercentDecode(pair.substr(0, eq), false), false);
      std::string value = eq == std::string_view::npos
                              ? std::string()
                              : SanitizeText(PercentDecode(pair.substr(eq + 1), false), false);
      params.emplace(std::move(key), std::move(value));
    }
    pos = end + 1;
  }
}

}  // namespace

std::string PanelQuery::Get(const std::string& key) const {
  auto it = params.find(key);
  return it == params.end() ? std::string() : it->second;
}

std::string_view RawQueryOf(std::string_view target) {
  std::size_t q = target.find('?');
  if (q == std::string_view::npos) return {};
  std::string_view query = target.substr(q + 1);
  return query.substr(0, query.find('#'));
}

PanelQuery ParsePanelQuery(std::string_view raw) {
  PanelQuery q;
  std::string lower = ToLowerAscii(raw);
  std::size_t at = 0;
  for (;;) {
    at = lower.find(kSiteParam, at);
    if (at == std::string::npos) break;
    if (at == 0 || raw[at - 1] == '&' || raw[at - 1] == '?') break;
    ++at;
  }
  if (at == std::string::npos) {
    AddParams(q.params, raw);
    return q;
  }
  AddParams(q.params, raw.substr(0, at));
  std::string site = SanitizeText(PercentDecode(raw.substr(at + kSiteParam.size()), false), false);
  q.site = Utf8Prefix(site, kMaxSiteAddress);
  q.hasSite = true;
  return q;
}

bool IsWebAddress(std::string_view address) {
  Authority a = AuthorityOf(address);
  return a.ok && (a.scheme == "http" || a.scheme == "https");
}

std::string SiteKey(std::string_view address) {
  std::string_view trimmed = address;
  while (!trimmed.empty() && trimmed.front() == ' ') trimmed.remove_prefix(1);
  while (!trimmed.empty() && trimmed.back() == ' ') trimmed.remove_suffix(1);
  std::string key;
  Authority a = AuthorityOf(trimmed);
  if (a.ok) {
    key = a.host;
    if (!a.port.empty()) key += ":" + a.port;
    if (a.scheme != "http" && a.scheme != "https") key = a.scheme + "://" + key;
  } else {
    std::string_view rest = trimmed;
    std::size_t sep = rest.find("://");
    if (sep != std::string_view::npos) rest.remove_prefix(sep + 3);
    key = ToLowerAscii(rest.substr(0, rest.find_first_of("/\\?#")));
  }
  if (key.compare(0, 4, "www.") == 0 && key.size() > 4) key.erase(0, 4);
  // At most 255 bytes, cut before a character, never inside one.
  if (key.size() > 255) {
    std::size_t cut = 255;
    while (cut > 0 && (static_cast<unsigned char>(key[cut]) & 0xC0) == 0x80) --cut;
    key.resize(cut);
  }
  return key;
}

std::string SiteOrigin(std::string_view address) {
  if (!IsWebAddress(address)) return std::string();
  Authority a = AuthorityOf(address);
  return a.scheme + "://" + a.host + (a.port.empty() ? "" : ":" + a.port) + "/";
}

}  // namespace zqs
