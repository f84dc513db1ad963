// Small text helpers shared by the client and the simulated desktop: conversions between
// wide text and UTF-8, case folding and trimming.
#pragma once
#include <string>

namespace zq {

std::string ToUtf8(const std::wstring& text);
std::wstring FromUtf8(const std::string& text);
std::wstring ToLower(std::wstring text);
bool EqualsNoCase(const std::wstring& a, const std::wstring& b);
// Removes leading and trailing characters for which iswspace is true.
std::wstring TrimSpace(const std::wstring& text);
// The text as quoted UTF-8 on one line: quotes and backslashes escaped, line breaks shown as
// \r and \n. For traces and dumps.
std::string Quoted(const std::wstring& text);
// printf-style formatting of wide text; the format is the program's own, never data.
std::wstring Format(const wchar_t* format, ...);

}  // namespace zq
