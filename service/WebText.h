// Text handling of the service: UTF-8 repair, HTML escaping, percent coding, and the
// values that pages put into command addresses.
#pragma once

#include <cstddef>
#include <map>
#include <string>
#include <string_view>

namespace zqs {

// Valid UTF-8 with no control characters: invalid sequences become U+FFFD, CR LF and
// lone CR become LF (kept only when keepLineBreaks, else a space), tabs become spaces,
// NUL and other control characters are dropped.
std::string SanitizeText(std::string_view bytes, bool keepLineBreaks);

// Number of code points in valid UTF-8.
std::size_t Utf8Length(std::string_view text);
// The first maxChars code points of valid UTF-8 (the whole text when shorter).
std::string Utf8Prefix(std::string_view text, std::size_t maxChars);

// Escapes & < > " ' so that the text is shown as text in element content and in
// quoted attribute values.
std::string HtmlEscape(std::string_view text);

// %XX sequences decoded (malformed ones kept as they are); '+' becomes a space only
// when plusIsSpace (form bodies), never in the client's own query.
std::string PercentDecode(std::string_view text, bool plusIsSpace);
// Everything but letters, digits and - _ . ! ~ * ' ( ) percent-encoded, as the pages'
// encodeURIComponent does.
std::string PercentEncode(std::string_view text);

std::string ToLowerAscii(std::string_view text);

// A JSON string literal, quotes included; control characters and the characters that
// could end a script element are escaped.
std::string JsonString(std::string_view text);

struct NoCaseLess {
  bool operator()(const std::string& a, const std::string& b) const;
};
using Params = std::map<std::string, std::string, NoCaseLess>;

// A form body or ordinary query ("a=1&b=2"): keys compared without regard to case, the
// first of repeated keys kept, values decoded ('+' as a space) and sanitized.
Params ParseForm(std::string_view body);

// Values for command addresses. The client takes a value exactly as the address holds
// it (nothing is percent-decoded), and a value ends at the first "~", so:
// - message text: "~" becomes "-", spaces become "_" and line breaks "<nl>" (the client
//   turns both back), other control characters are dropped;
std::string CommandMessageText(std::string_view text);
// - a keyword of the notification's context, which comes back in the notification page's
//   query, escaped there by the client or not: the characters that give a query its
//   meaning or would be decoded (% & + = ? # ; ~) become "-", spaces "_";
std::string CommandKeyword(std::string_view text);
// - an address: the fragment is dropped (browsers never send it), "~" becomes "%7E",
//   spaces, quotes, angle brackets and non-ASCII characters are percent-encoded, which
//   leaves an equivalent address.
std::string CommandAddress(std::string_view url);

}  // namespace zqs
