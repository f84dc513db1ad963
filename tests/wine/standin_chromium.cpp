// A stand-in for a Chromium-based browser that the Wine tests run: one top-level window of
// class "Chrome_WidgetWin_1" titled "<page> - Chromium", in front. The tests move, minimise
// and restore it from outside; it raises the window events that Wine does not. Usage:
// standin_chromium PAGE-TITLE. Its executable is no browser's, so the client's own detection
// leaves it alone: only a test names it to the client. Ends when its window is closed, or
// after two minutes.
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <string>

namespace {

bool minimised = false;

// Wine 8.0 raises none of the window events that Windows raises for a top-level window (a
// hook sees only focus events), so the stand-in raises them itself, from the messages at
// which Windows does: moved or sized, minimised, restored, activated.
void Raise(DWORD event, HWND window) {
  ::NotifyWinEvent(event, window, OBJID_WINDOW, CHILDID_SELF);
}

LRESULT CALLBACK MainProc(HWND window, UINT message, WPARAM wp, LPARAM lp) {
  if (message == WM_DESTROY || (message == WM_TIMER && wp == 1)) {
    ::PostQuitMessage(0);
    return 0;
  }
  if (message == WM_WINDOWPOSCHANGED) {
    const auto* pos = reinterpret_cast<const WINDOWPOS*>(lp);
    if ((pos->flags & (SWP_NOMOVE | SWP_NOSIZE)) != (SWP_NOMOVE | SWP_NOSIZE))
      Raise(EVENT_OBJECT_LOCATIONCHANGE, window);
  } else if (message == WM_SIZE && (wp == SIZE_MINIMIZED) != minimised) {
    minimised = wp == SIZE_MINIMIZED;
    Raise(minimised ? EVENT_SYSTEM_MINIMIZESTART : EVENT_SYSTEM_MINIMIZEEND, window);
  } else if (message == WM_ACTIVATE && LOWORD(wp) != WA_INACTIVE) {
    Raise(EVENT_SYSTEM_FOREGROUND, window);
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
