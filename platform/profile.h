// The profile-file seam: the private profile (INI) functions.
#pragma once
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
};

}  // namespace zq
