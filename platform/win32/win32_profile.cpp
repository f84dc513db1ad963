// Profile (INI) files on Windows through the private-profile functions. A file that a
// write creates is made UTF-16 first, so that every character survives the round trip.
#include "platform/win32/win32_backend.h"

namespace zq::win32 {

namespace {

// WritePrivateProfileStringW writes a new file in the ANSI code page, where characters
// outside it turn into '?'. A file that starts with the UTF-16LE byte-order mark is read
// and written as UTF-16 instead, so a missing file is created as just that mark. An
// existing file keeps its encoding.
void CreateUnicodeIfMissing(const std::wstring& path) {
  UniqueFile file(::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return;  // it exists, or cannot be made: the write itself decides
  static const unsigned char kMark[2] = {0xFF, 0xFE};
  DWORD written = 0;
  ::WriteFile(file.get(), kMark, sizeof kMark, &written, nullptr);
}

class Win32Profile : public Profile {
 public:
  unsigned ReadString(const std::wstring& section, const std::wstring& key, const std::wstring& def,
                      std::wstring& out, unsigned size, const std::wstring& path) override {
    out.clear();
    if (size == 0) return 0;
    std::wstring buffer(size, L'\0');
    DWORD n = ::GetPrivateProfileStringW(section.c_str(), key.c_str(), def.c_str(), buffer.data(),
                                         size, path.c_str());
    buffer.resize(n < size ? n : size - 1);
    out = buffer;
    return static_cast<unsigned>(out.size());
  }
  bool WriteString(const std::wstring& section, const std::wstring& key, const std::wstring& value,
                   const std::wstring& path) override {
    CreateUnicodeIfMissing(path);
    return ::WritePrivateProfileStringW(section.c_str(), key.c_str(), value.c_str(),
                                        path.c_str()) != 0;
  }
  // The attributes only, no opening of the file; a missing file has a stamp of its own.
  std::uint64_t Stamp(const std::wstring& path) override {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!::GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) return 1;
    std::uint64_t written =
        (static_cast<std::uint64_t>(data.ftLastWriteTime.dwHighDateTime) << 32) |
        data.ftLastWriteTime.dwLowDateTime;
    return (written * 1000003u) ^ data.nFileSizeLow ^ (std::uint64_t{data.nFileSizeHigh} << 32) ^ 2;
  }
};

}  // namespace

std::unique_ptr<Profile> NewProfile() { return std::make_unique<Win32Profile>(); }

}  // namespace zq::win32
