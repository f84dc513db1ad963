// The contract of the seam: cases written once against platform/*.h and built twice, for
// the simulated desktop (Linux) and for the Win32 backend (run under Wine).
#pragma once
#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <memory>

#include "platform/platform.h"

namespace zq::contract {

// The one desktop a contract binary runs against: contract_sim.cpp or contract_win32.cpp.
class Desktop {
 public:
  virtual ~Desktop() = default;
  virtual bool IsWine() const = 0;
  // Runs `body` on a thread bound to a client process's platform, until it ends.
  virtual void Run(const std::function<void()>& body) = 0;
  // Inside Run: a DDE server "Firefox" that answers with the address and title, or never.
  virtual std::shared_ptr<void> StartFirefox(bool answers, const std::wstring& url,
                                             const std::wstring& title) = 0;
  virtual void MakeUnreachable(const std::wstring& url) = 0;  // nothing listens there
  virtual bool HasHtmlEngine() = 0;  // whether the web control loads documents
};

Desktop& TheDesktop();
inline Windows& W() { return Plat().windows(); }
using Answer = std::optional<LResult>;

// Records what a window is sent; `on` may answer it, `swallow` takes it in pre-translation,
// and `endOn` ends the window's modal loop with 1.
struct Recorder : WindowHandler {
  std::vector<unsigned> seen;
  unsigned endOn = 0;
  std::function<Answer(WindowHandle, unsigned, WParam, LParam)> on;
  std::function<bool(WindowHandle, unsigned, WParam)> swallow;

  LResult OnMessage(WindowHandle h, unsigned m, WParam wp, LParam lp) override;
  bool PreTranslate(WindowHandle h, unsigned m, WParam wp, LParam lp) override;
  bool Saw(unsigned m) const;
};

// A window of the calling thread for the recorder.
WindowHandle Open(Recorder& r, std::uint32_t style = ws::Popup, WindowHandle parent = 0,
                  Rect rect = Rect{40, 40, 240, 200}, const std::wstring& cls = L"ZqContract");

// Dispatches the thread's messages until `done` holds (true) or `ms` pass on the desktop's clock.
bool PumpUntil(const std::function<bool()>& done, unsigned ms = 5000);

// A contract case: its body runs inside TheDesktop().Run.
#define ZQ_CONTRACT(suite, name)                                          \
  void suite##_##name();                                                  \
  TEST(suite, name) { ::zq::contract::TheDesktop().Run(suite##_##name); } \
  void suite##_##name()

}  // namespace zq::contract
