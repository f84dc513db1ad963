// A bare follower, the reference of the client's idle cost under Wine: once a second, on a
// thread timer of its own message loop, it reads the foreground window, its class and its
// title ("window"), and with "dde" also asks Firefox for its address. Usage:
// zqpoller window|dde SECONDS; it ends after SECONDS (scripts/wine-bench.sh reads its CPU).
#include <string>

#include "bench/wine/bare_calls.h"

int wmain(int argc, wchar_t** argv) {
  if (argc != 3) return 2;
  const bool dde = std::wstring(argv[1]) == L"dde";
  const int seconds = _wtoi(argv[2]);
  zqbench::BareCalls bare;
  if (dde && bare.instance == 0) return 1;
  ::SetTimer(nullptr, 0, 1000, nullptr);
  size_t sink = 0;
  MSG message;
  for (int ticks = 0; ticks<seconds&& ::GetMessageW(&message, nullptr, 0, 0)> 0;) {
    if (message.message != WM_TIMER) {
      ::DispatchMessageW(&message);
      continue;
    }
    ++ticks;
    sink += bare.Window();
    if (dde) sink += bare.Request();
  }
  return sink == 0 ? 1 : 0;
}
