// A stand-in for a Chromium-based browser that the Wine tests run: one top-level window of
// class "Chrome_WidgetWin_1" titled "<page> - Chromium", in front. The tests move, minimise
// and restore it from outside. Usage: standin_chromium PAGE-TITLE. Its executable is no
// browser's, so the client's own detection leaves it alone: only a test names it to the
// client. Ends when its window is closed, or after two minutes.
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <string>

namespace {

LRESULT CALLBACK MainProc(HWND window, UINT message, WPARAM wp, LPARAM lp) {
  if (message == WM_DESTROY || (message == WM_TIMER && wp == 1)) {
    ::PostQuitMessage(0);
    return 0;
  }
  return ::DefWindowProcW(window, message, wp, lp);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 2) return 2;
  WNDCLASSW main{};
  main.lpfnWndProc = MainProc;
  main.hInstance = ::GetModuleHandleW(nullptr);
  main.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
  main.lpszClassName = L"Chrome_WidgetWin_1";
  ::RegisterClassW(&main);
  std::wstring title = std::wstring(argv[1]) + L" - Chromium";
  HWND frame = ::CreateWindowExW(0, main.lpszClassName, title.c_str(), WS_OVERLAPPEDWINDOW, 40, 40,
                                 640, 480, nullptr, nullptr, main.hInstance, nullptr);
  ::ShowWindow(frame, SW_SHOW);
  ::SetForegroundWindow(frame);
  ::SetTimer(frame, 1, 120000, nullptr);
  MSG msg;
  while (::GetMessageW(&msg, nullptr, 0, 0) > 0) {
    ::TranslateMessage(&msg);
    ::DispatchMessageW(&msg);
  }
  return 0;
}
