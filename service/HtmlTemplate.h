// Filling the pages' placeholders: {{name}} takes a text, escaped for HTML; {{{name}}}
// takes markup that the service built itself from escaped parts.
#pragma once

#include <map>
#include <string>
#include <string_view>

namespace zqs {

class HtmlTemplate {
 public:
  // A text shown as text: escaped where it is put in.
  HtmlTemplate& Text(const std::string& name, const std::string& value);
  // Markup built by the service (every user-supplied part of it already escaped).
  HtmlTemplate& Markup(const std::string& name, const std::string& markup);

  // The page with each placeholder replaced; a placeholder without a value becomes
  // empty, and a "{{" that starts no placeholder stays as it is.
  std::string Render(std::string_view page) const;

 private:
  std::map<std::string, std::string, std::less<>> texts_;
  std::map<std::string, std::string, std::less<>> markup_;
};

}  // namespace zqs
