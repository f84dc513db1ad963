// Reading command addresses with their fixed skip lengths and unsigned position
// arithmetic, and deciding which pages may issue them.
#include "panel/CommandUrl.h"

#include "app/AppConsts.h"
#include "app/ErrorReport.h"
#include "app/Messages.h"
#include "app/Text.h"

namespace zq {

namespace {

// Positions are 32-bit unsigned; "none" has all bits set.
using Pos = std::uint32_t;
constexpr Pos kNone = 0xFFFFFFFFu;

// The fixed lengths the parser skips: "zqwndcmd::", "CMD:" and "wParam:"/"lParam:".
constexpr Pos kPrefixSkip = 10;
constexpr Pos kCmdKeySkip = 4;
constexpr Pos kParamKeySkip = 7;

Pos Length(const std::wstring& s) {
  return s.size() >= kNone ? kNone - 1 : static_cast<Pos>(s.size());
}

// Index of the first occurrence of t in s at or after `from`; none when `from` is not
// less than the length of s (so also when it is none).
Pos FindFrom(const std::wstring& s, const std::wstring& t, Pos from) {
  if (from >= Length(s)) return kNone;
  size_t at = s.find(t, from);
  return at == std::wstring::npos ? kNone : static_cast<Pos>(at);
}

Pos Find(const std::wstring& s, const std::wstring& t) {
  size_t at = s.find(t);
  return at == std::wstring::npos ? kNone : static_cast<Pos>(at);
}

// The n characters of s from `start`, when they lie inside s; the empty text otherwise.
// A length that wrapped (a missing key or separator) thus gives the empty text, and so
// does length 0 (an empty value, or nothing left after a separator that ends s).
std::wstring Part(const std::wstring& s, Pos start, Pos n) {
  if (n == 0) return std::wstring();
  if (static_cast<std::uint64_t>(start) + n > Length(s)) return std::wstring();
  return s.substr(start, n);
}

// What follows the character at p (all of s when p is none).
std::wstring After(const std::wstring& s, Pos p) {
  Pos start = p + 1;  // none wraps to 0
  return Part(s, start, Length(s) - start);
}

// One "key value separator" field of `rest`: the value, and `rest` moved past its
// separator (left whole when the field has no key or no closing separator).
std::wstring TakeField(std::wstring& rest, const std::wstring& key, Pos keySkip,
                       const std::wstring& separator) {
  Pos k = Find(rest, key);
  Pos end = FindFrom(rest, separator, k);
  std::wstring value = Part(rest, k + keySkip, end - (k + keySkip));
  rest = After(rest, end);
  return value;
}

std::wstring DefaultPort(const std::wstring& scheme) {
  if (scheme == L"http") return L"80";
  if (scheme == L"https") return L"443";
  if (scheme == L"ftp") return L"21";
  return std::wstring();
}

}  // namespace

CommandUrlWords CommandUrlWords::From(const CAppConsts& consts) {
  CommandUrlWords w;
  w.prefix = consts.ZephquillProtocolURL;
  w.cmdKey = consts.ZephquillCMDURL;
  w.wParamKey = consts.ZephquillWParamURL;
  w.lParamKey = consts.ZephquillLParamURL;
  w.separator = consts.ZephquillSeparatorURL;
  return w;
}

CommandUrl ParseCommandUrl(const std::wstring& url, const CommandUrlWords& words) {
  CommandUrl out;
  // An empty prefix would make every address a command and no page could ever load.
  // The prefix's first occurrence must be at the very start: the same as starting with it.
  if (words.prefix.empty() || url.compare(0, words.prefix.size(), words.prefix) != 0) return out;
  out.isCommand = true;

  std::wstring rest = After(url, kPrefixSkip - 1);
  out.numberText = TakeField(rest, words.cmdKey, kCmdKeySkip, words.separator);
  out.wParam = TakeField(rest, words.wParamKey, kParamKeySkip, words.separator);
  out.lParam = TakeField(rest, words.lParamKey, kParamKeySkip, words.separator);
  try {
    out.message = SettingToInt32(out.numberText);
  } catch (const ComError& e) {
    out.numberError = e.Code;
  }
  return out;
}

bool IsPanelCommandNumber(std::int32_t message) {
  switch (static_cast<unsigned>(message)) {
    case UM_PANEL_SET_SIZE:
    case UM_PANEL_SET_BASE_URL:
    case UM_OPEN_FLOATING_PANEL:
    case UM_PANEL_COMMAND:
    case UM_PANEL_CLOSE:
    case UM_PANEL_SET_SLIDE:
    case UM_PANEL_TOGGLE_SLIDE:
    case UM_PANEL_SHOW_SETTING:
    case UM_PANEL_STORE_SETTING:
    case UM_PANEL_SHOW_LAST_URL:
    case UM_PANEL_MOVE_RIGHT:
      return true;
    default:
      return false;
  }
}

std::optional<UrlOrigin> OriginOf(const std::wstring& url) {
  size_t colon = url.find(L':');
  if (colon == std::wstring::npos || colon == 0 || url.compare(colon, 3, L"://") != 0)
    return std::nullopt;
  UrlOrigin o;
  o.scheme = ToLower(url.substr(0, colon));
  for (wchar_t c : o.scheme)
    if (!((c >= L'a' && c <= L'z') || (c >= L'0' && c <= L'9') || c == L'+' || c == L'-' ||
          c == L'.'))
      return std::nullopt;
  // The authority ends where the path, query or fragment begins; the browser takes a
  // backslash for a slash. Credentials before the last '@' are not part of the host.
  size_t begin = colon + 3;
  size_t end = url.find_first_of(L"/\\?#", begin);
  std::wstring authority = url.substr(begin, end == std::wstring::npos ? end : end - begin);
  size_t at = authority.rfind(L'@');
  if (at != std::wstring::npos) authority.erase(0, at + 1);
  size_t portColon = authority.rfind(L':');
  size_t bracket = authority.rfind(L']');
  if (portColon != std::wstring::npos && (bracket == std::wstring::npos || portColon > bracket)) {
    o.port = authority.substr(portColon + 1);
    authority.erase(portColon);
    for (wchar_t c : o.port)
      if (c < L'0' || c > L'9') return std::nullopt;
    while (o.port.size() > 1 && o.port[0] == L'0') o.port.erase(0, 1);
  }
  if (o.port.empty()) o.port = DefaultPort(o.scheme);
  o.host = ToLower(authority);
  if (o.host.empty()) return std::nullopt;
  return o;
}

bool IsBuiltinPageAddress(const std::wstring& url) { return EqualsNoCase(url, L"about:blank"); }

bool MayIssueCommands(const std::wstring& location,
                      const std::vector<std::wstring>& serviceAddresses) {
  std::optional<UrlOrigin> page = OriginOf(location);
  if (!page) return false;
  for (const std::wstring& address : serviceAddresses) {
    std::optional<UrlOrigin> service = OriginOf(address);
    if (service && *service == *page) return true;
  }
  return false;
}

std::optional<std::wstring> ForeignSender(const std::wstring& location,
                                          const std::vector<std::wstring>& frameLocations,
                                          const std::vector<std::wstring>& serviceAddresses) {
  if (!MayIssueCommands(location, serviceAddresses)) return location;
  for (const std::wstring& frame : frameLocations)
    if (!MayIssueCommands(frame, serviceAddresses)) return frame;
  return std::nullopt;
}

bool IsWebAddress(const std::wstring& address) {
  for (wchar_t c : address)
    if (c < 0x20 || c == 0x7F) return false;
  std::optional<UrlOrigin> origin = OriginOf(address);
  return origin && (origin->scheme == L"http" || origin->scheme == L"https");
}

std::wstring RefusedAddressText(const std::wstring& what, const std::wstring& address) {
  return what + L" was not opened because it is not a web (http or https) address: " + address;
}

std::vector<std::wstring> ServiceAddresses(const CAppConsts& c) {
  return {c.ClosedFltWndURL,
          c.MinFltWndURL,
          c.WhereAreMyFriendsURL,
          c.ZQSettingsURL,
          c.MyEventsURL,
          c.ManageMyFriendsURL,
          c.ClientLoadURL,
          c.PollingURL,
          c.UpdateClientURL,
          c.DefaultNotifyURL,
          c.OnAboutURL,
          c.SendFeedbackURL,
          c.ConnectionAliveStaticCheckURL};
}

std::wstring NavigationErrorText(std::int32_t statusCode, const std::wstring& url) {
  // Built by concatenation: the address may be longer than any format buffer.
  return L"Error " + std::to_wstring(statusCode) + L" occurred while navigating to " + url + L"\n";
}

}  // namespace zq
