// Text handling of the service: UTF-8 repair, HTML escaping, percent coding, and the
// values that pages put into command addresses.
#include "service/WebText.h"

#include <cstdint>

namespace zqs {

namespace {

const char kReplacement[] = "\xEF\xBF\xBD";  // U+FFFD

// Length of the valid UTF-8 sequence at s[i], or 0 when it is not valid (overlong
// forms, surrogates and code points above U+10FFFF are not valid).
std::size_t ValidSequence(std::string_view s, std::size_t i) {
  auto byte = [&](std::size_t k) { return static_cast<unsigned char>(s[k]); };
  unsigned char c = byte(i);
  if (c < 0x80) return 1;
  std::size_t n;
  std::uint32_t cp;
  if (c >= 0xC2 && c <= 0xDF) {
    n = 2;
    cp = c & 0x1F;
  } else if (c >= 0xE0 && c <= 0xEF) {
    n = 3;
    cp = c & 0x0F;
  } else if (c >= 0xF0 && c <= 0xF4) {
    n = 4;
    cp = c & 0x07;
  } else {
    return 0;
  }
  if (i + n > s.size()) return 0;
  for (std::size_t k = 1; k < n; ++k) {
    if ((byte(i + k) & 0xC0) != 0x80) return 0;
    cp = (cp << 6) | (byte(i + k) & 0x3F);
  }
  if ((n == 3 && cp < 0x800) || (n == 4 && cp < 0x10000) || cp > 0x10FFFF ||
      (cp >= 0xD800 && cp <= 0xDFFF))
    return 0;
  return n;
}

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

void AppendPercent(std::string& out, unsigned char c) {
  static const char kHex[] = "0123456789ABCDEF";
  out += '%';
  out += kHex[c >> 4];
  out += kHex[c & 0x0F];
}

bool IsUnreserved(unsigned char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' ||
         c == '_' || c == '.' || c == '!' || c == '~' || c == '*' || c == '\'' || c == '(' ||
         c == ')';
}

}  // namespace

std::string SanitizeText(std::string_view s, bool keepLineBreaks) {
  std::string out;
  out.reserve(s.size());
  const char* lineBreak = keepLineBreaks ? "\n" : " ";
  for (std::size_t i = 0; i < s.size();) {
    unsigned char c = static_cast<unsigned char>(s[i]);
    if (c == '\r') {
      out += lineBreak;
      i += (i + 1 < s.size() && s[i + 1] == '\n') ? 2 : 1;
      continue;
    }
    if (c == '\n') {
      out += lineBreak;
      ++i;
      continue;
    }
    if (c == '\t') {
      out += ' ';
      ++i;
      continue;
    }
    if (c < 0x20 || c == 0x7F) {
      ++i;
      continue;
    }
    std::size_t n = ValidSequence(s, i);
    if (n == 0) {
      out += kReplacement;
      ++i;
      continue;
    }
    // C1 control characters (U+0080 to U+009F) are dropped like the C0 ones.
    if (n == 2 && c == 0xC2 && static_cast<unsigned char>(s[i + 1]) < 0xA0) {
      i += 2;
      continue;
    }
    out.append(s.substr(i, n));
    i += n;
  }
  return out;
}

std::size_t Utf8Length(std::string_view text) {
  std::size_t count = 0;
  for (unsigned char c : text)
    if ((c & 0xC0) != 0x80) ++count;
  return count;
}

std::string Utf8Prefix(std::string_view text, std::size_t maxChars) {
  std::size_t count = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if ((static_cast<unsigned char>(text[i]) & 0xC0) != 0x80) {
      if (count == maxChars) return std::string(text.substr(0, i));
      ++count;
    }
  }
  return std::string(text);
}

std::string HtmlEscape(std::string_view text) {
  std::string out;
  out.reserve(text.size() + text.size() / 8);
  for (char c : text) {
    switch (c) {
      case '&':
        out += "&amp;";
        break;
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '"':
        out += "&quot;";
        break;
      case '\'':
        out += "&#39;";
        break;
      default:
        out += c;
    }
  }
  return out;
}

std::string PercentDecode(std::string_view text, bool plusIsSpace) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    char c = text[i];
    if (c == '%' && i + 2 < text.size() && HexValue(text[i + 1]) >= 0 &&
        HexValue(text[i + 2]) >= 0) {
      out += static_cast<char>(HexValue(text[i + 1]) * 16 + HexValue(text[i + 2]));
      i += 2;
    } else if (c == '+' && plusIsSpace) {
      out += ' ';
    } else {
      out += c;
    }
  }
  return out;
}

std::string PercentEncode(std::string_view text) {
  std::string out;
  for (char ch : text) {
    unsigned char c = static_cast<unsigned char>(ch);
    if (IsUnreserved(c))
      out += ch;
    else
      AppendPercent(out, c);
  }
  return out;
}

std::string ToLowerAscii(std::string_view text) {
  std::string out(text);
  for (char& c : out)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return out;
}

std::string JsonString(std::string_view text) {
  std::string out = "\"";
  for (char ch : text) {
    unsigned char c = static_cast<unsigned char>(ch);
    switch (ch) {
      case '"':
        out += "\\\"";
        break;
      case '\\':
        out += "\\\\";
        break;
      case '\n':
        out += "\\n";
        break;
      case '<':
        out += "\\u003c";
        break;
      case '>':
        out += "\\u003e";
        break;
      case '&':
        out += "\\u0026";
        break;
      default:
        if (c < 0x20) {
          static const char kHex[] = "0123456789abcdef";
          out += "\\u00";
          out += kHex[c >> 4];
          out += kHex[c & 0x0F];
        } else {
          out += ch;
        }
    }
  }
  out += '"';
  return out;
}

bool NoCaseLess::operator()(const std::string& a, const std::string& b) const {
  auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; };
  std::size_t n = a.size() < b.size() ? a.size() : b.size();
  for (std::size_t i = 0; i < n; ++i) {
    char x = lower(a[i]), y = lower(b[i]);
    if (x != y) return static_cast<unsigned char>(x) < static_cast<unsigned char>(y);
  }
  return a.size() < b.size();
}

Params ParseForm(std::string_view body) {
  Params params;
  std::size_t pos = 0;
  while (pos <= body.size()) {
    std::size_t end = body.find('&', pos);
    if (end == std::string_view::npos) end = body.size();
    std::string_view pair = body.substr(pos, end - pos);
    if (!pair.empty()) {
      std::size_t eq = pair.find('=');
      std::string key = SanitizeText(PercentDecode(pair.substr(0, eq), true), false);
      std::string value = eq == std::string_view::npos
                              ? std::string()
                              : SanitizeText(PercentDecode(pair.substr(eq + 1), true), true);
      params.emplace(std::move(key), std::move(value));
    }
    pos = end + 1;
  }
  return params;
}

std::string CommandMessageText(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (char c : text) {
    if (c == '~')
      out += '-';
    else if (c == ' ')
      out += '_';
    else if (c == '\n')
      out += "<nl>";
    else if (static_cast<unsigned char>(c) >= 0x20 && c != 0x7F)
      out += c;
  }
  return out;
}

std::string CommandKeyword(std::string_view text) {
  std::string out;
  for (char c : text) {
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) continue;
    if (c == ' ')
      out += '_';
    else if (std::string_view("%&+=?#;~").find(c) != std::string_view::npos)
      out += '-';
    else
      out += c;
  }
  return out;
}

std::string CommandAddress(std::string_view url) {
  std::string_view body = url.substr(0, url.find('#'));
  std::string out;
  out.reserve(body.size());
  for (char ch : body) {
    unsigned char c = static_cast<unsigned char>(ch);
    if (c < 0x20 || c == 0x7F) continue;
    if (c == '~' || c == ' ' || c == '"' || c == '<' || c == '>' || c == '`' || c >= 0x80)
      AppendPercent(out, c);
    else
      out += ch;
  }
  return out;
}

}  // namespace zqs
