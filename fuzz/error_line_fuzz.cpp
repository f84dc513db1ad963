// Fuzz target of the report line: any code, text, component description and system text
// (texts full of "%" included), checked for the line's fixed shape.
#include "app/ErrorReport.h"
#include "fuzz/FuzzSupport.h"

using zqfuzz::Require;

// Input: 4 bytes of code (little-endian), 1 byte of flags (1: the component gave a
// description, 2: the system knows the code), then "text\ndescription\nsystem text".
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 5) return 0;
  zqfuzz::FuzzPlatform& platform = zqfuzz::BoundPlatform();
  const std::uint32_t code =
      data[0] | (data[1] << 8) | (data[2] << 16) | (static_cast<std::uint32_t>(data[3]) << 24);
  const std::uint8_t flags = data[4];
  std::vector<std::wstring> parts = zqfuzz::SplitLines(zqfuzz::Widen(data + 5, size - 5));
  parts.resize(3);
  const std::wstring& text = parts[0];
  std::optional<std::wstring> description;
  if (flags & 1) description = parts[1];
  platform.errorText.reset();
  if (flags & 2) platform.errorText = parts[2];

  zq::ComError error(static_cast<zq::HResult>(code), description);
  const std::wstring line = zq::FormatErrorLine(text, error);
  // The text is copied as it is, and the line always ends with its three blanks.
  Require(line.rfind(text + L". ", 0) == 0 && line.size() >= text.size() + 5);
  Require(line.compare(line.size() - 3, 3, L"   ") == 0);
  const std::wstring rest = line.substr(text.size() + 2, line.size() - text.size() - 5);
  if (rest.rfind(L"Error Code = 0x", 0) == 0) {
    wchar_t hex[9];
    std::swprintf(hex, 9, L"%08x", code);
    Require(rest.rfind(L"Error Code = 0x" + std::wstring(hex) + L", Error Message: ", 0) == 0);
  } else {
    // Only a component's own description stands without the code.
    Require(description && rest == *description);
  }
  Require(!rest.empty());

  // The system's text is shaped the same way on every call, and never left empty.
  const std::wstring message = zq::ErrorMessageFrom(error.Code, platform.errorText);
  Require(message == error.ErrorMessage());
  Require(!message.empty());
  return 0;
}
