// The backend's account of failed system calls: the call's name, the error code and the
// system's own text go to the debugger's output; the codes the client sees stay as they were.
#include <string>

#include "platform/win32/win32_backend.h"

namespace zq::win32 {

namespace {

std::wstring SystemText(DWORD code) {
  wchar_t* text = nullptr;
  DWORD n = ::FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, code, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
  std::wstring out = n && text ? std::wstring(text, n) : L"(no text)";
  ::LocalFree(text);
  while (!out.empty() && (out.back() == L'\n' || out.back() == L'\r' || out.back() == L' '))
    out.pop_back();
  return out;
}

void Trace(const char* call, DWORD code, const wchar_t* kind) {
  std::wstring line = L"zq: ";
  for (const char* c = call; *c; ++c) line += static_cast<wchar_t>(*c);
  wchar_t number[16];
  ::wsprintfW(number, L"0x%08lX", static_cast<unsigned long>(code));
  line += std::wstring(L" failed: ") + kind + L" " + number + L": " + SystemText(code) + L"\n";
  ::OutputDebugStringW(line.c_str());
}

}  // namespace

void TraceLastError(const char* call) {
  DWORD code = ::GetLastError();
  Trace(call, code, L"error");
  ::SetLastError(code);
}

HRESULT TraceResult(const char* call, HRESULT result) {
  if (FAILED(result)) {
    DWORD kept = ::GetLastError();
    Trace(call, static_cast<DWORD>(result), L"result");
    ::SetLastError(kept);
  }
  return result;
}

}  // namespace zq::win32
