// The system seam: facts about the running system that have no better home.
#pragma once
#include <cstdint>
#include <optional>
#include <string>

namespace zq {

class System {
 public:
  virtual ~System() = default;
  // The system's message text for a result code (FormatMessageW), or nothing.
  virtual std::optional<std::wstring> ErrorText(std::int32_t code) = 0;
  // Low byte of GetVersion: the major version of the operating system.
  virtual int MajorVersion() = 0;
  // dwPlatformId of GetVersionExW: 2 on NT-based systems, 1 on Windows 95, 98 and Me.
  virtual int PlatformId() = 0;
  // 8-bit text from the system's ANSI code page (MultiByteToWideChar with CP_ACP). The
  // default reads Windows-1252, the code page of the simulated desktop.
  virtual std::wstring AnsiToWide(const std::string& text) {
    // 0x80..0x9F of Windows-1252; 0 marks the five bytes it leaves undefined.
    static const char16_t kHigh[32] = {
        0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
        0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
        0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};
    std::wstring out;
    out.reserve(text.size());
    for (char ch : text) {
      unsigned b = static_cast<unsigned char>(ch);
      bool mapped = b >= 0x80 && b < 0xA0 && kHigh[b - 0x80] != 0;
      out += static_cast<wchar_t>(mapped ? kHigh[b - 0x80] : b);
    }
    return out;
  }
};

}  // namespace zq
