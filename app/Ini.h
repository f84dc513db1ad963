// The configuration file wrapper: one profile (INI) file path and reads and writes of its
// values through the platform's profile functions.
#pragma once
#include <cstdint>
#include <optional>
#include <string>

#include "platform/profile.h"

namespace zq {

// Reads and writes values of one profile file. Text arguments are `const wchar_t*`, where
// nullptr stands for "none"; results are owned std::wstring values.
class CIni {
 public:
  // Uses the profile functions of the calling thread's platform (Plat().profile()), looked
  // up at each call so that the object may be made before a platform is bound.
  CIni();
  // Uses the given profile functions (tests, or a backend used directly).
  explicit CIni(Profile& profile);
  virtual ~CIni();
  CIni(const CIni&) = delete;
  CIni& operator=(const CIni&) = delete;

  // A path replaces the stored one. nullptr keeps a stored path but makes it the empty
  // text; without a stored path it leaves none.
  void SetPathName(const wchar_t* path);
  // The stored path, or none before the first SetPathName.
  const std::optional<std::wstring>& GetPathName() const { return PathName; }

  // The value of `key` in `section`, or the default (the empty text when none) when the
  // key, the section or the file is missing. With no section or no key the file is not
  // touched and the default is returned. Values of any length are read whole.
  std::wstring GetString(const wchar_t* section, const wchar_t* key, const wchar_t* def) const;
  // Writes the value (the empty text when none), creating the file and the section when
  // needed. False with no section or no key, or when the platform cannot write the file.
  bool WriteString(const wchar_t* section, const wchar_t* key, const wchar_t* value);
  // The file's stamp (Profile::Stamp); Profile::NoStamp without a path.
  std::uint64_t Stamp() const;

  // Reads start with a buffer of this many characters and grow by as many.
  static constexpr unsigned kBufferStep = 512;

 private:
  Profile& Functions() const;

  Profile* profile_ = nullptr;  // none: the platform's
  std::optional<std::wstring> PathName;
};

}  // namespace zq
