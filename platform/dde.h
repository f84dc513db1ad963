// The dynamic-data-exchange seam: one client request to a server, bounded by a time-out,
// and the conversion of the server's text from the system's ANSI code page.
#pragma once
#include <optional>
#include <string>

namespace zq {

class Dde {
 public:
  virtual ~Dde() = default;
  // One client instance and one conversation per request: initialise the client
  // (APPCMD_CLIENTONLY), connect to service/topic, request `item` as CF_TEXT with
  // XTYP_REQUEST, disconnect and uninitialise. Returns the reply's bytes as the server
  // sent them (CF_TEXT data usually ends in a zero byte); nothing when the client cannot
  // start, there is no such server, or no data arrives within timeoutMs. Blocks the calling
  // thread for as long as the server takes, up to timeoutMs. Any thread.
  virtual std::optional<std::string> Request(const std::wstring& service, const std::wstring& topic,
                                             const std::wstring& item, unsigned timeoutMs) = 0;
  // The text converted from the ANSI code page (MultiByteToWideChar, CP_ACP); stops at the
  // first zero byte. Any thread.
  virtual std::wstring FromAnsi(const std::string& bytes) = 0;
};

}  // namespace zq
