// The internet seam on Windows: WinINet sessions and address requests read in chunks, with
// the HTTP status and announced length of the reply.
#include "platform/win32/win32_backend.h"

#include <wininet.h>

namespace zq::win32 {

namespace {

class Win32Internet : public Internet {
 public:
  InternetHandle Open(const std::wstring& agent) override {
    return reinterpret_cast<InternetHandle>(
        ::InternetOpenW(agent.c_str(), INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0));
  }
  bool ConnectedState() override {
    DWORD flags = 0;
    return ::InternetGetConnectedState(&flags, 0) != FALSE;
  }
  std::optional<std::wstring> Canonicalize(const std::wstring& address) override {
    wchar_t buffer[1024];
    DWORD length = 1024;
    if (!::InternetCanonicalizeUrlW(address.c_str(), buffer, &length, ICU_BROWSER_MODE))
      return std::nullopt;
    return std::wstring(buffer, length);
  }
  InternetHandle OpenUrl(InternetHandle session, const std::wstring& address,
                         unsigned flags) override {
    return reinterpret_cast<InternetHandle>(::InternetOpenUrlW(
        reinterpret_cast<HINTERNET>(session), address.c_str(), nullptr, 0, flags, 0));
  }
  bool Read(InternetHandle request, char* buffer, unsigned size, unsigned& read) override {
    DWORD got = 0;
    BOOL ok = ::InternetReadFile(reinterpret_cast<HINTERNET>(request), buffer, size, &got);
    read = ok ? got : 0;
    return ok != FALSE;
  }
  // Addresses other than HTTP have no status; their request handle answers as a success.
  unsigned StatusCode(InternetHandle request) override {
    DWORD code = 0;
    DWORD length = sizeof code;
    if (::HttpQueryInfoW(reinterpret_cast<HINTERNET>(request),
                         HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &code, &length, nullptr))
      return code;
    return ::GetLastError() == ERROR_INTERNET_INCORRECT_HANDLE_TYPE ? 200 : 0;
  }
  std::optional<std::uint64_t> ContentLength(InternetHandle request) override {
    DWORD value = 0;
    DWORD length = sizeof value;
    if (!::HttpQueryInfoW(reinterpret_cast<HINTERNET>(request),
                          HTTP_QUERY_CONTENT_LENGTH | HTTP_QUERY_FLAG_NUMBER, &value, &length,
                          nullptr))
      return std::nullopt;
    return value;
  }
  std::optional<std::wstring> Location(InternetHandle request) override {
    wchar_t buffer[2048];
    DWORD length = sizeof buffer;
    if (!::HttpQueryInfoW(reinterpret_cast<HINTERNET>(request), HTTP_QUERY_LOCATION, buffer,
                          &length, nullptr))
      return std::nullopt;
    return std::wstring(buffer, length / sizeof(wchar_t));
  }
  void Close(InternetHandle handle) override {
    if (handle) ::InternetCloseHandle(reinterpret_cast<HINTERNET>(handle));
  }
};

}  // namespace

std::unique_ptr<Internet> NewInternet() { return std::make_unique<Win32Internet>(); }

}  // namespace zq::win32
