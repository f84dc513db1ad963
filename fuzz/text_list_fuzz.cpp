// Fuzz target of TextList splitting: the first line is the separator, the rest the text;
// the pieces must give back the whole text apart from the blanks trimmed around them.
#include <algorithm>

#include "app/AppConsts.h"
#include "fuzz/FuzzSupport.h"

namespace {

using zqfuzz::Require;

std::wstring WithoutSpace(std::wstring text) {
  text.erase(std::remove_if(text.begin(), text.end(), [](wchar_t c) { return std::iswspace(c); }),
             text.end());
  return text;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::wstring input = zqfuzz::Widen(data, size);
  const std::size_t nl = input.find(L'\n');
  const std::wstring separator = nl == std::wstring::npos ? L";" : input.substr(0, nl);
  const std::wstring text = nl == std::wstring::npos ? input : input.substr(nl + 1);

  zq::TextList list(separator);
  list.Split(text);
  if (text.empty()) {
    Require(list.Count() == 0);
    return 0;
  }
  Require(list.Count() >= 1);
  for (const std::wstring& item : list.Items()) {
    Require(item.empty() || (!std::iswspace(static_cast<wint_t>(item.front())) &&
                             !std::iswspace(static_cast<wint_t>(item.back()))));
  }
  // Separators made of blanks cannot be told from the blanks trimmed away.
  if (separator.empty() || WithoutSpace(separator) != separator) return 0;
  std::wstring joined;
  for (int i = 1; i <= list.Count(); ++i) {
    if (i > 1) joined += separator;
    joined += list.Item(i);
  }
  // A text that ends with a separator makes no empty piece after it.
  const std::wstring expected = WithoutSpace(text);
  Require(WithoutSpace(joined) == expected || WithoutSpace(joined + separator) == expected);
  return 0;
}
