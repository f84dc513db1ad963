// The pages, scripts and style sheets of the service: built into the executable, or read
// from a folder when one is given (so that a page can be edited while the service runs).
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

namespace zqs {

struct EmbeddedPage {
  const char* name;
  const unsigned char* data;
  std::size_t size;
};

// Generated at build time from service/pages/.
extern const EmbeddedPage kEmbeddedPages[];
extern const std::size_t kEmbeddedPageCount;

class PageStore {
 public:
  explicit PageStore(std::string folder = std::string());

  // The file's bytes by its plain name ("panel.html"); nothing for an unknown name or
  // one that is not a plain file name.
  std::optional<std::string> Get(const std::string& name) const;
  std::vector<std::string> Names() const;

  // The content type for a file name's extension.
  static std::string ContentType(const std::string& name);

 private:
  std::string folder_;
};

}  // namespace zqs
