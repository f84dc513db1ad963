// The internet seam: a connection test and address requests that are read in chunks, as
// the Windows internet functions offer them. The self-update downloads through it.
#pragma once
#include <cstdint>
#include <optional>
#include <string>

namespace zq {

// 0 means no handle.
using InternetHandle = std::uintptr_t;

// INTERNET_FLAG_RELOAD | INTERNET_FLAG_RESYNCHRONIZE | INTERNET_FLAG_HYPERLINK |
// INTERNET_FLAG_NEED_FILE: always from the server, never from a cache.
constexpr unsigned kInternetReloadFlags = 0x80000C10u;
// INTERNET_FLAG_NO_AUTO_REDIRECT: a redirect comes back as the reply (status 3xx and its
// Location) instead of being followed to wherever it points.
constexpr unsigned kInternetNoAutoRedirect = 0x00200000u;

// Every call may block the calling thread until the network answers.
class Internet {
 public:
  virtual ~Internet() = default;
  // A session with the system's preconfigured proxy settings (InternetOpenW); 0 on failure.
  virtual InternetHandle Open(const std::wstring& agent) = 0;
  // InternetGetConnectedState: true when the system reports a connection.
  virtual bool ConnectedState() = 0;
  // The address in its canonical form, browser mode (InternetCanonicalizeUrlW with
  // ICU_BROWSER_MODE, at most 1024 characters); nothing when it cannot be formed.
  virtual std::optional<std::wstring> Canonicalize(const std::wstring& address) = 0;
  // Opens a request for the address on the session; 0 when it cannot be opened.
  virtual InternetHandle OpenUrl(InternetHandle session, const std::wstring& address,
                                 unsigned flags) = 0;
  // Reads up to `size` bytes of the reply's body. False when the read fails; `read` is 0
  // at the end of the body.
  virtual bool Read(InternetHandle request, char* buffer, unsigned size, unsigned& read) = 0;
  // The reply's status code (200 for success; a file address answers 200); 0 when unknown.
  virtual unsigned StatusCode(InternetHandle request) = 0;
  // The length the reply announces (Content-Length), when it announces one.
  virtual std::optional<std::uint64_t> ContentLength(InternetHandle request) = 0;
  // The address a redirect reply points to (its Location header, as sent), if it names one.
  virtual std::optional<std::wstring> Location(InternetHandle request) = 0;
  virtual void Close(InternetHandle handle) = 0;
};

}  // namespace zq
