// The configuration file wrapper: growing-buffer reads and writes of profile values for one
// file path.
#include "app/Ini.h"

#include "platform/platform.h"

namespace zq {

CIni::CIni() = default;

CIni::CIni(Profile& profile) : profile_(&profile) {}

CIni::~CIni() = default;

Profile& CIni::Functions() const { return profile_ ? *profile_ : Plat().profile(); }

void CIni::SetPathName(const wchar_t* path) {
  if (path)
    PathName = std::wstring(path);
  else if (PathName)
    PathName->clear();
}

std::wstring CIni::GetString(const wchar_t* section, const wchar_t* key, const wchar_t* def) const {
  if (!section || !key) return def ? std::wstring(def) : std::wstring();
  const std::wstring defText = def ? def : L"";
  const std::wstring path = PathName ? *PathName : std::wstring();
  Profile& profile = Functions();
  std::wstring value;
  unsigned size = kBufferStep;
  // The profile function cuts a value that does not fit to size-1 characters and reports
  // that length, so a length of size-1 may mean a cut value: read again with more room.
  for (;;) {
    unsigned length = profile.ReadString(section, key, defText, value, size, path);
    if (value.size() > length) value.resize(length);
    if (length + 1 < size) break;
    size += kBufferStep;
  }
  return value;
}

bool CIni::WriteString(const wchar_t* section, const wchar_t* key, const wchar_t* value) {
  if (!section || !key) return false;
  const std::wstring path = PathName ? *PathName : std::wstring();
  return Functions().WriteString(section, key, value ? value : L"", path);
}

std::uint64_t CIni::Stamp() const {
  return PathName ? Functions().Stamp(*PathName) : Profile::NoStamp;
}

}  // namespace zq
