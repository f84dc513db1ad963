// The decoding of the notification field commands' arguments, kept apart from the
// dispatcher as pure functions so that they can be checked on their own.
#include "controller/NotificationFieldText.h"

namespace zq {

namespace {

std::wstring ReplaceAll(std::wstring text, const std::wstring& from, const std::wstring& to) {
  for (size_t at = text.find(from); at != std::wstring::npos; at = text.find(from, at + to.size()))
    text.replace(at, from.size(), to);
  return text;
}

}  // namespace

std::wstring DecodeNotificationMsg(const std::wstring& argument) {
  // Blanks first, so that "<nl_>" becomes "<nl >" and stays text.
  return ReplaceAll(ReplaceAll(argument, L"_", L" "), L"<nl>", L"\n");
}

std::wstring DecodeNotificationContext(const std::wstring& argument) {
  return ReplaceAll(argument, L";", L"~");
}

}  // namespace zq
