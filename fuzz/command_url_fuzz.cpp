// Fuzz target of the command-address parser: any bytes as an address (and, with six or
// more lines, the first five as the configured words), checked against its invariants.
#include "fuzz/FuzzSupport.h"
#include "panel/CommandUrl.h"

namespace {

using zqfuzz::Require;

// A value is a piece of the address and never holds the separator that closes it.
void CheckValue(const std::wstring& value, const std::wstring& url, const std::wstring& separator) {
  if (value.empty()) return;
  Require(url.find(value) != std::wstring::npos);
  if (!separator.empty()) Require(value.find(separator) == std::wstring::npos);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::wstring input = zqfuzz::Widen(data, size);
  const std::vector<std::wstring> lines = zqfuzz::SplitLines(input);
  zq::CommandUrlWords words;
  std::wstring url = input;
  if (lines.size() >= 6) {
    words.prefix = lines[0];
    words.cmdKey = lines[1];
    words.wParamKey = lines[2];
    words.lParamKey = lines[3];
    words.separator = lines[4];
    url = input.substr(lines[0].size() + lines[1].size() + lines[2].size() + lines[3].size() +
                       lines[4].size() + 5);
  }
  zq::CommandUrl c = zq::ParseCommandUrl(url, words);
  Require(c.isCommand == (!words.prefix.empty() && url.rfind(words.prefix, 0) == 0));
  if (!c.isCommand) {
    Require(c.numberText.empty() && c.wParam.empty() && c.lParam.empty());
    return 0;
  }
  CheckValue(c.numberText, url, words.separator);
  CheckValue(c.wParam, url, words.separator);
  CheckValue(c.lParam, url, words.separator);
  if (c.numberText.empty()) Require(c.numberError != 0);
  return 0;
}
