// Filling the pages' placeholders: {{name}} takes a text, escaped for HTML; {{{name}}}
// takes markup that the service built itself from escaped parts.
#include "service/HtmlTemplate.h"

#include "service/WebText.h"

namespace zqs {

namespace {

bool IsNameChar(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
}

}  // namespace

HtmlTemplate& HtmlTemplate::Text(const std::string& name, const std::string& value) {
  texts_[name] = HtmlEscape(value);
  return *this;
}

HtmlTemplate& HtmlTemplate::Markup(const std::string& name, const std::string& markup) {
  markup_[name] = markup;
  return *this;
}

std::string HtmlTemplate::Render(std::string_view page) const {
  std::string out;
  out.reserve(page.size() + 1024);
  std::size_t pos = 0;
  while (pos < page.size()) {
    std::size_t open = page.find("{{", pos);
    if (open == std::string_view::npos) break;
    bool raw = page.compare(open, 3, "{{{") == 0;
    std::size_t nameStart = open + (raw ? 3 : 2);
    std::size_t nameEnd = nameStart;
    while (nameEnd < page.size() && IsNameChar(page[nameEnd])) ++nameEnd;
    std::string_view close = raw ? "}}}" : "}}";
    if (nameEnd == nameStart || page.compare(nameEnd, close.size(), close) != 0) {
      out.append(page.substr(pos, open + 2 - pos));
      pos = open + 2;
      continue;
    }
    out.append(page.substr(pos, open - pos));
    std::string_view name = page.substr(nameStart, nameEnd - nameStart);
    const auto& table = raw ? markup_ : texts_;
    auto it = table.find(name);
    if (it != table.end()) out += it->second;
    pos = nameEnd + close.size();
  }
  out.append(page.substr(pos));
  return out;
}

}  // namespace zqs
