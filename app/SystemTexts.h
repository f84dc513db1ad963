// Built-in copies of the system's message texts for the result codes the client meets.
// Used where no system message table is available (the simulated desktop, tests).
#pragma once
#include <cstdint>
#include <optional>
#include <string>

namespace zq {

// The message text for a result code as the system's message table words it, ending in
// "\r\n" like FormatMessageW's output; nothing when the table has no text for the code.
// A plain system error number (0 to 0xFFFF) is looked up like its 0x8007xxxx form.
std::optional<std::wstring> BuiltinErrorText(std::int32_t code);

}  // namespace zq
