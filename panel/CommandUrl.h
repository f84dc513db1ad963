// Command addresses: the pseudo-URLs through which the service's pages drive the client
// ("zqwndcmd::CMD:1228~wParam:x~lParam:y~"), and which pages may issue them.
#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/types.h"

namespace zq {

class CAppConsts;

// The words that make up a command address; the defaults are the built-in ones.
struct CommandUrlWords {
  std::wstring prefix = L"zqwndcmd::";
  std::wstring cmdKey = L"CMD:";
  std::wstring wParamKey = L"wParam:";
  std::wstring lParamKey = L"lParam:";
  std::wstring separator = L"~";

  // The words as configured (ZephquillProtocolURL, ZephquillCMDURL, ...).
  static CommandUrlWords From(const CAppConsts& consts);
};

// What an address says as a command.
struct CommandUrl {
  // The address begins with the prefix: it is a command address and never navigated to.
  bool isCommand = false;
  // 0 when the number text converted; otherwise the failing conversion's result code.
  HResult numberError = 0;
  std::int32_t message = 0;
  std::wstring numberText;
  std::wstring wParam;
  std::wstring lParam;
};

// Reads an address. Pure: depends on nothing but its arguments. The parser skips exactly
// 10 characters after the prefix and the keys' fixed lengths 4 and 7, whatever words are
// configured; a missing key or closing separator yields an empty value, an empty value
// (key directly followed by the separator) an empty text. Nothing is percent-decoded.
CommandUrl ParseCommandUrl(const std::wstring& url, const CommandUrlWords& words);

// True for the numbers of the commands a panel takes from its pages (1224 to 1232, 1235,
// 1237), whose two parameters are texts.
bool IsPanelCommandNumber(std::int32_t message);

// Scheme, host and port of an address, all lower case; the port is the scheme's default
// when the address names none. Nothing for an address without "scheme://host".
struct UrlOrigin {
  std::wstring scheme;
  std::wstring host;
  std::wstring port;
  bool operator==(const UrlOrigin& o) const {
    return scheme == o.scheme && host == o.host && port == o.port;
  }
};
std::optional<UrlOrigin> OriginOf(const std::wstring& url);

// The address of a document that the client wrote itself (the built-in pages).
bool IsBuiltinPageAddress(const std::wstring& url);

// Whether a document at `location` comes from the scheme, host and port of one of
// `serviceAddresses`. The built-in pages (about:blank) carry no script and do not.
bool MayIssueCommands(const std::wstring& location,
                      const std::vector<std::wstring>& serviceAddresses);

// Whether a page that navigates its top level to a command address may have it obeyed: its
// own document and the document of every frame inside it come from the service. The
// navigation event names the frame it navigates, not the script that started it, so a
// foreign frame that sets top.location would otherwise pass as the service's page. Empty
// when it may; otherwise the address that is not the service's.
std::optional<std::wstring> ForeignSender(const std::wstring& location,
                                          const std::vector<std::wstring>& frameLocations,
                                          const std::vector<std::wstring>& serviceAddresses);

// Whether an address may be opened from a page or a notification: "http://" or "https://"
// (the scheme in any case) at its very start, a host, and no control characters. Anything
// else (file:, "\\host\share", javascript:, other protocols, leading blanks) is refused.
bool IsWebAddress(const std::wstring& address);
// The status line that explains a refused address: "<what> was not opened ...: <address>".
std::wstring RefusedAddressText(const std::wstring& what, const std::wstring& address);

// The addresses the client is configured to load (the constants' page addresses).
std::vector<std::wstring> ServiceAddresses(const CAppConsts& consts);

// "Error <status> occurred while navigating to <url>\n".
std::wstring NavigationErrorText(std::int32_t statusCode, const std::wstring& url);

}  // namespace zq
