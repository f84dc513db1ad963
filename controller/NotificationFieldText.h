// The decoding of the notification field commands' arguments: a page cannot put blanks,
// line breaks or "~" into a command address, so it sends stand-ins that are turned back here.
#pragma once
#include <string>

namespace zq {

// The message text: "_" becomes a blank, then "<nl>" a line break (so "<nl_>" stays text).
std::wstring DecodeNotificationMsg(const std::wstring& argument);
// The context: ";" becomes "~", the context's own separator.
std::wstring DecodeNotificationContext(const std::wstring& argument);

}  // namespace zq
