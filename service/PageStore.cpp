// The pages, scripts and style sheets of the service: built into the executable, or read
// from a folder when one is given (so that a page can be edited while the service runs).
#include "service/PageStore.h"

#include <fstream>
#include <sstream>

namespace zqs {

namespace {

bool IsPlainName(const std::string& name) {
  if (name.empty() || name[0] == '.') return false;
  for (char c : name)
    if (!((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '.' ||
          c == '-' || c == '_'))
      return false;
  return true;
}

bool EndsWith(const std::string& s, const char* suffix) {
  std::string t(suffix);
  return s.size() >= t.size() && s.compare(s.size() - t.size(), t.size(), t) == 0;
}

}  // namespace

PageStore::PageStore(std::string folder) : folder_(std::move(folder)) {}

std::optional<std::string> PageStore::Get(const std::string& name) const {
  if (!IsPlainName(name)) return std::nullopt;
  if (!folder_.empty()) {
    std::ifstream in(folder_ + "/" + name, std::ios::binary);
    if (!in) return std::nullopt;
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
  }
  for (std::size_t i = 0; i < kEmbeddedPageCount; ++i)
    if (name == kEmbeddedPages[i].name)
      return std::string(reinterpret_cast<const char*>(kEmbeddedPages[i].data),
                         kEmbeddedPages[i].size);
  return std::nullopt;
}

std::vector<std::string> PageStore::Names() const {
  std::vector<std::string> names;
  for (std::size_t i = 0; i < kEmbeddedPageCount; ++i) names.push_back(kEmbeddedPages[i].name);
  return names;
}

std::string PageStore::ContentType(const std::string& name) {
  if (EndsWith(name, ".js")) return "application/javascript; charset=utf-8";
  if (EndsWith(name, ".css")) return "text/css; charset=utf-8";
  if (EndsWith(name, ".png")) return "image/png";
  if (EndsWith(name, ".gif")) return "image/gif";
  if (EndsWith(name, ".ico")) return "image/x-icon";
  return "text/html; charset=utf-8";
}

}  // namespace zqs
