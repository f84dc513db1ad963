// A stand-in for a new version of the client in the update tests: it writes the command
// line it was started with into "restarted.txt" beside itself and ends at once.
#include <windows.h>

#include <string>

int wmain() {
  wchar_t path[MAX_PATH] = {};
  DWORD n = ::GetModuleFileNameW(nullptr, path, MAX_PATH);
  if (n == 0 || n >= MAX_PATH) return 1;
  std::wstring file(path, n);
  file = file.substr(0, file.find_last_of(L'\\') + 1) + L"restarted.txt";
  const wchar_t* line = ::GetCommandLineW();
  HANDLE out = ::CreateFileW(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                             FILE_ATTRIBUTE_NORMAL, nullptr);
  if (out == INVALID_HANDLE_VALUE) return 1;
  DWORD written = 0;
  BOOL ok = ::WriteFile(out, line, static_cast<DWORD>(::lstrlenW(line) * sizeof(wchar_t)), &written,
                        nullptr);
  ::CloseHandle(out);
  return ok ? 0 : 1;
}
