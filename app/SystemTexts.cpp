// The built-in message texts for result codes, worded as the Windows message table words
// them (English), for platforms and tests that have no system message table.
#include "app/SystemTexts.h"

#include <algorithm>
#include <iterator>

namespace zq {

namespace {

struct TextEntry {
  std::uint32_t code;
  const wchar_t* text;
};

// Sorted by code for the binary search below. Codes whose texts live outside the system
// table (WinINet, URL moniker codes such as 0x800C0005) are deliberately absent.
constexpr TextEntry kTexts[] = {
    {0x00000000u, L"The operation completed successfully.\r\n"},
    {0x80004001u, L"Not implemented\r\n"},
    {0x80004002u, L"No such interface supported\r\n"},
    {0x80004003u, L"Invalid pointer\r\n"},
    {0x80004004u, L"Operation aborted\r\n"},
    {0x80004005u, L"Unspecified error\r\n"},
    {0x8000FFFFu, L"Catastrophic failure\r\n"},
    {0x80010106u, L"Cannot change thread mode after it is set.\r\n"},
    {0x80020003u, L"Member not found.\r\n"},
    {0x80020005u, L"Type mismatch.\r\n"},
    {0x80020006u, L"Unknown name.\r\n"},
    {0x80020009u, L"Exception occurred.\r\n"},
    {0x8002000Au, L"Out of present range.\r\n"},
    {0x8002000Eu, L"Invalid number of parameters.\r\n"},
    {0x8002801Du, L"Library not registered.\r\n"},
    {0x80029C4Au, L"Error loading type library/DLL.\r\n"},
    {0x80040110u, L"Class does not support aggregation (or class object is remote)\r\n"},
    {0x80040111u, L"ClassFactory cannot supply requested class\r\n"},
    {0x80040154u, L"Class not registered\r\n"},
    {0x800401F0u, L"CoInitialize has not been called.\r\n"},
    {0x800401F3u, L"Invalid class string\r\n"},
    {0x80070001u, L"Incorrect function.\r\n"},
    {0x80070002u, L"The system cannot find the file specified.\r\n"},
    {0x80070003u, L"The system cannot find the path specified.\r\n"},
    {0x80070005u, L"Access is denied.\r\n"},
    {0x80070006u, L"The handle is invalid.\r\n"},
    {0x80070008u, L"Not enough memory resources are available to process this command.\r\n"},
    {0x8007000Du, L"The data is invalid.\r\n"},
    {0x8007000Eu, L"Not enough memory resources are available to complete this operation.\r\n"},
    {0x80070020u,
     L"The process cannot access the file because it is being used by another process.\r\n"},
    {0x80070050u, L"The file exists.\r\n"},
    {0x80070057u, L"The parameter is incorrect.\r\n"},
    {0x8007007Au, L"The data area passed to a system call is too small.\r\n"},
    {0x8007007Eu, L"The specified module could not be found.\r\n"},
    {0x8007007Fu, L"The specified procedure could not be found.\r\n"},
    {0x800700B7u, L"Cannot create a file when that file already exists.\r\n"},
    {0x800700EAu, L"More data is available.\r\n"},
    {0x80070102u, L"The wait operation timed out.\r\n"},
    {0x80070490u, L"Element not found.\r\n"},
    {0x800704C7u, L"The operation was canceled by the user.\r\n"},
    {0x80070578u, L"Invalid window handle.\r\n"},
    {0x8007057Fu, L"Cannot find window class.\r\n"},
    {0x80070582u, L"Class already exists.\r\n"},
    {0x80070583u, L"Class does not exist.\r\n"},
    {0x80070715u, L"The specified resource type cannot be found in the image file.\r\n"},
    {0x80070716u, L"The specified resource name cannot be found in the image file.\r\n"},
    {0x80080005u, L"Server execution failed\r\n"},
};

}  // namespace

std::optional<std::wstring> BuiltinErrorText(std::int32_t code) {
  std::uint32_t key = static_cast<std::uint32_t>(code);
  // A bare system error number has the same text as the result code made from it.
  if (key != 0 && key <= 0xFFFFu) key |= 0x80070000u;
  auto it = std::lower_bound(std::begin(kTexts), std::end(kTexts), key,
                             [](const TextEntry& e, std::uint32_t k) { return e.code < k; });
  if (it == std::end(kTexts) || it->code != key) return std::nullopt;
  return std::wstring(it->text);
}

}  // namespace zq
