// The simulated network: address prefixes with their answers, the default pages, and the
// element ids that a page's HTML carries.
#include "platform/sim/sim_network.h"

#include "app/Text.h"

namespace zq::sim {

namespace {

const wchar_t kCheckPage[] = L"connectionalivestaticcheck.htm";

bool EndsWithPath(const std::wstring& lowerUrl, const std::wstring& name) {
  size_t end = lowerUrl.find_first_of(L"?#");
  if (end == std::wstring::npos) end = lowerUrl.size();
  return end >= name.size() && lowerUrl.compare(end - name.size(), name.size(), name) == 0;
}

const char* StateName(SimNetwork::State s) {
  switch (s) {
    case SimNetwork::State::Up:
      return "up";
    case SimNetwork::State::Down:
      return "down";
    case SimNetwork::State::Silent:
      return "silent";
  }
  return "?";
}

// The character references that pages commonly hold, decoded; numeric ones in UTF-8.
std::string DecodeReferences(const std::string& text) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    size_t semi = text[i] == '&' ? text.find(';', i) : std::string::npos;
    if (semi == std::string::npos || semi - i > 10) {
      out += text[i];
      continue;
    }
    const std::string name = text.substr(i + 1, semi - i - 1);
    unsigned long code = 0;
    if (name == "amp")
      code = '&';
    else if (name == "lt")
      code = '<';
    else if (name == "gt")
      code = '>';
    else if (name == "quot")
      code = '"';
    else if (name == "apos")
      code = '\'';
    else if (name == "nbsp")
      code = 0xA0;
    else if (name == "times")
      code = 0xD7;
    else if (name.size() > 1 && name[0] == '#') {
      const bool hex = name[1] == 'x' || name[1] == 'X';
      const std::string digits = name.substr(hex ? 2 : 1);
      if (!digits.empty() && digits.find_first_not_of(hex ? "0123456789abcdefABCDEF"
                                                          : "0123456789") == std::string::npos)
        code = std::stoul(digits, nullptr, hex ? 16 : 10);
      if (code > 0x10FFFF) code = 0xFFFD;
    }
    if (code == 0) {
      out += text[i];
      continue;
    }
    std::wstring wide;
    if (sizeof(wchar_t) == 2 && code > 0xFFFF) {
      wide += static_cast<wchar_t>(0xD800 + ((code - 0x10000) >> 10));
      wide += static_cast<wchar_t>(0xDC00 + ((code - 0x10000) & 0x3FF));
    } else {
      wide += static_cast<wchar_t>(code);
    }
    out += ToUtf8(wide);
    i = semi;
  }
  return out;
}

}  // namespace

SimNetwork::Route& SimNetwork::At(const std::wstring& prefix) { return routes_[ToLower(prefix)]; }

void SimNetwork::Reset() {
  routes_.clear();
  up = true;
  checkElement = true;
}

std::string SimNetwork::DefaultBody(const std::wstring& url) const {
  if (checkElement && EndsWithPath(ToLower(url), kCheckPage))
    return "<html><body><div id=\"ConnectionAliveStaticCheck\">OK</div></body></html>";
  return "<html><body></body></html>";
}

NetAnswer SimNetwork::Fetch(const std::wstring& url) {
  ++requests_;
  NetAnswer answer;
  if (!up) {
    answer.kind = NetAnswer::Kind::Unreachable;
    return answer;
  }
  const std::wstring lower = ToLower(url);
  const Route* best = nullptr;
  size_t bestLength = 0;
  for (const auto& [prefix, route] : routes_) {
    if (lower.compare(0, prefix.size(), prefix) == 0 && (!best || prefix.size() > bestLength)) {
      best = &route;
      bestLength = prefix.size();
    }
  }
  if (best && best->state == State::Down) answer.kind = NetAnswer::Kind::Unreachable;
  if (best && best->state == State::Silent) answer.kind = NetAnswer::Kind::Silent;
  if (answer.kind != NetAnswer::Kind::Answered) return answer;
  const bool overridden = best && (best->status != 200 || best->body);
  if (fetcher && !overridden) {
    if (std::optional<NetAnswer> real = fetcher(url)) {
      real->live = true;
      return *real;
    }
  }
  answer.status = best ? best->status : 200;
  answer.body = best && best->body ? *best->body : DefaultBody(url);
  return answer;
}

namespace {

// One tag of an HTML text: its lower-case name, whether it closes or closes itself, the
// value of its id attribute, and the position just past its '>' (npos when it never ends).
struct TagInfo {
  std::string name;
  std::string id;
  bool closing = false;
  bool selfClosing = false;
  size_t end = std::string::npos;
};

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f'; }

char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

TagInfo ReadTag(const std::string& html, size_t open) {
  TagInfo tag;
  size_t i = open + 1;
  if (i < html.size() && html[i] == '/') {
    tag.closing = true;
    ++i;
  }
  while (i < html.size() && !IsSpace(html[i]) && html[i] != '>' && html[i] != '/')
    tag.name += Lower(html[i++]);
  // Attributes: name, optionally '=' and a value in double, single or no quotes.
  while (i < html.size() && html[i] != '>') {
    if (IsSpace(html[i])) {
      ++i;
      continue;
    }
    if (html[i] == '/') {
      tag.selfClosing = true;
      ++i;
      continue;
    }
    tag.selfClosing = false;
    std::string attribute;
    while (i < html.size() && !IsSpace(html[i]) && html[i] != '=' && html[i] != '>')
      attribute += Lower(html[i++]);
    while (i < html.size() && IsSpace(html[i])) ++i;
    std::string value;
    if (i < html.size() && html[i] == '=') {
      ++i;
      while (i < html.size() && IsSpace(html[i])) ++i;
      if (i < html.size() && (html[i] == '"' || html[i] == '\'')) {
        const char quote = html[i++];
        size_t close = html.find(quote, i);
        if (close == std::string::npos) return tag;  // never ends
        value = html.substr(i, close - i);
        i = close + 1;
      } else {
        while (i < html.size() && !IsSpace(html[i]) && html[i] != '>') value += html[i++];
      }
    }
    if (attribute == "id" && tag.id.empty()) tag.id = DecodeReferences(value);
  }
  if (i < html.size()) tag.end = i + 1;
  return tag;
}

// Elements that have no content and no end tag.
bool IsVoid(const std::string& name) {
  static const char* const kVoid[] = {"area",  "base", "br",   "col",   "embed",  "hr", "img",
                                      "input", "link", "meta", "param", "source", "wbr"};
  for (const char* v : kVoid)
    if (name == v) return true;
  return false;
}

// The text from `from` to the end tag that matches an element named `name` (nested
// elements of the same name counted), tags left out, blanks collapsed.
std::string InnerText(const std::string& html, size_t from, const std::string& name) {
  std::string raw;
  int depth = 1;
  size_t i = from;
  while (i < html.size()) {
    if (html[i] != '<') {
      raw += html[i++];
      continue;
    }
    if (html.compare(i, 4, "<!--") == 0) {
      size_t close = html.find("-->", i);
      i = close == std::string::npos ? html.size() : close + 3;
      continue;
    }
    TagInfo tag = ReadTag(html, i);
    if (tag.end == std::string::npos) break;
    i = tag.end;
    if (tag.name == name && !tag.selfClosing) depth += tag.closing ? -1 : 1;
    if (depth == 0) break;
    if (name == "script" || name == "style") continue;
    raw += ' ';  // a tag separates words
  }
  std::string text;
  bool blank = false;
  for (char c : DecodeReferences(raw)) {
    if (IsSpace(c)) {
      blank = true;
      continue;
    }
    if (blank && !text.empty()) text += ' ';
    blank = false;
    text += c;
  }
  return text;
}

}  // namespace

std::map<std::wstring, std::wstring> SimNetwork::ElementsOf(const std::string& html) {
  std::map<std::wstring, std::wstring> elements;
  for (size_t at = html.find('<'); at != std::string::npos; at = html.find('<', at + 1)) {
    if (html.compare(at, 4, "<!--") == 0) {
      at = html.find("-->", at);
      if (at == std::string::npos) break;
      continue;
    }
    TagInfo tag = ReadTag(html, at);
    if (tag.end == std::string::npos) break;
    if (tag.closing || tag.id.empty()) continue;
    std::string text =
        tag.selfClosing || IsVoid(tag.name) ? std::string() : InnerText(html, tag.end, tag.name);
    elements.emplace(FromUtf8(tag.id), FromUtf8(text));
  }
  return elements;
}

std::vector<std::string> SimNetwork::Dump() const {
  std::vector<std::string> lines;
  lines.push_back(std::string("network: ") + (up ? "up" : "down") +
                  (checkElement ? "" : " no-element") + " requests=" + std::to_string(requests_));
  for (const auto& [prefix, route] : routes_) {
    std::string line = "network.route: " + Quoted(prefix) + " " + StateName(route.state) + " " +
                       std::to_string(route.status);
    if (route.body) line += " body=" + Quoted(FromUtf8(*route.body));
    lines.push_back(line);
  }
  return lines;
}

}  // namespace zq::sim
