// Fuzz target of the notification field commands' decoding: any argument as the message
// and as the context, checked against re-encoding by the page's rules.
#include "controller/NotificationFieldText.h"
#include "fuzz/FuzzSupport.h"

namespace {

using zqfuzz::Require;

// What a page does to a message: blanks become "_", line breaks "<nl>".
std::wstring EncodeMsg(const std::wstring& text) {
  std::wstring out;
  for (wchar_t ch : text) out += ch == L' ' ? L"_" : ch == L'\n' ? L"<nl>" : std::wstring(1, ch);
  return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::wstring argument = zqfuzz::Widen(data, size);

  const std::wstring msg = zq::DecodeNotificationMsg(argument);
  Require(msg.find(L'_') == std::wstring::npos);
  Require(msg.find(L"<nl>") == std::wstring::npos);
  Require(msg.size() <= argument.size());
  // An argument as a page writes it (no raw blanks or line breaks) comes back exactly.
  if (argument.find_first_of(L" \n") == std::wstring::npos) Require(EncodeMsg(msg) == argument);

  const std::wstring context = zq::DecodeNotificationContext(argument);
  Require(context.size() == argument.size());
  for (std::size_t i = 0; i < argument.size(); ++i)
    Require(context[i] == (argument[i] == L';' ? L'~' : argument[i]));
  return 0;
}
