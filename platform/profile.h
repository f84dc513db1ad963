// The profile-file seam: the private profile (INI) functions.
#pragma once
#include <cstdint>
#include <string>

namespace zq {

class Profile {
 public:
  virtual ~Profile() = default;
  // Like GetPrivateProfileStringW: copies at most size-1 characters of the value (or of
  // `def` when the key, section or file is missing) into `out` and returns that count.
  // Keys and sections match regardless of case; blanks around the value and one pair of
  // surrounding quotes are removed.
  virtual unsigned ReadString(const std::wstring& section, const std::wstring& key,
                              const std::wstring& def, std::wstring& out, unsigned size,
                              const std::wstring& path) = 0;
  // Like WritePrivateProfileStringW: creates the file and section when needed and replaces
  // the key in place. Returns false when the file cannot be written.
  virtual bool WriteString(const std::wstring& section, const std::wstring& key,
                           const std::wstring& value, const std::wstring& path) = 0;
  // A value that changes whenever the file is written (from its size and last write
  // time), so that a reader may skip reading a file that has not changed; NoStamp when it
  // cannot tell, and then every read must go to the file.
  static constexpr std::uint64_t NoStamp = 0;
  virtual std::uint64_t Stamp(const std::wstring& path) { return NoStamp; }
};

}  // namespace zq
