// What every contract case shares, written against the seam alone: the recording window
// handler, a window of the calling thread, a bounded message pump.
#include <algorithm>

#include "tests/contract/contract.h"

namespace zq::contract {

LResult Recorder::OnMessage(WindowHandle h, unsigned m, WParam wp, LParam lp) {
  seen.push_back(m);
  if (endOn && m == endOn) W().EndModal(h, 1);
  if (on)
    if (auto answer = on(h, m, wp, lp)) return *answer;
  return W().DefaultProc(h, m, wp, lp);
}

bool Recorder::PreTranslate(WindowHandle h, unsigned m, WParam wp, LParam) {
  return swallow && swallow(h, m, wp);
}

bool Recorder::Saw(unsigned m) const {
  return std::find(seen.begin(), seen.end(), m) != seen.end();
}

WindowHandle Open(Recorder& r, std::uint32_t style, WindowHandle parent, Rect rect,
                  const std::wstring& cls) {
  return W().Create(WindowSpec{cls, L"Contract", style, 0, rect, parent, &r, 0});
}

bool PumpUntil(const std::function<bool()>& done, unsigned ms) {
  Clock& clock = Plat().clock();
  const std::uint64_t end = clock.TickMs() + ms;
  for (;;) {
    W().PumpPending();
    if (done()) return true;
    if (clock.TickMs() >= end) return false;
    clock.Sleep(5);
  }
}

}  // namespace zq::contract
