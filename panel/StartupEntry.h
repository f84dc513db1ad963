// The start-with-Windows entry: a value in the current user's Run key naming the running
// executable, added and removed on the pages' request.
#pragma once
#include <string>

namespace zq {

// The Run key under HKEY_CURRENT_USER.
constexpr const wchar_t* kRunKey = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";

// Writes the executable's full path (at most 260 characters, no quotes, no arguments)
// under `valueName` in the Run key. False when the key is missing or the write failed.
bool AddStartupEntry(const std::wstring& valueName);
// Deletes `valueName` from the Run key. False when the key or the value is missing.
bool RemoveStartupEntry(const std::wstring& valueName);

}  // namespace zq
