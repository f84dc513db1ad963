// The contract of the seam: cases written once against platform/*.h and built twice, for
// the simulated desktop (Linux) and for the Win32 backend (run under Wine).
#pragma once
#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <memory>
#include <utility>

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

// Records a web control's navigation events as lines ("before URL", "navigated URL",
// "complete URL", "error URL FRAME STATUS"); a frame's begin with "frame " and are kept
// only when `frames` is set. A BeforeNavigate2 with a target frame, post data or headers
// adds them. It answers BeforeNavigate2 with `cancel`, running `during` once inside it,
// and cancels every NavigateError (no error page) while `cancelErrors` holds.
struct WebSink : WebControlEvents {
  std::vector<std::wstring> events;
  bool frames = false, cancel = false, cancelErrors = true;
  std::function<void()> during;

  void Add(bool top, const std::wstring& event) {
    if (top || frames) events.push_back((top ? L"" : L"frame ") + event);
  }
  void BeforeNavigate2(bool top, const std::wstring& url, const std::wstring& frame,
                       const std::vector<std::uint8_t>* post, const std::wstring& headers,
                       bool& c) override {
    std::wstring data = post ? std::wstring(post->begin(), post->end()) : L"";
    bool extra = !frame.empty() || !data.empty() || !headers.empty();
    Add(top, L"before " + url + (extra ? L" " + frame + L" " + data + L" " + headers : L""));
    c = cancel;
    if (during) std::exchange(during, nullptr)();
  }
  void NavigateComplete2(bool t, const std::wstring& u) override { Add(t, L"navigated " + u); }
  void DocumentComplete(bool t, const std::wstring& u) override { Add(t, L"complete " + u); }
  void NavigateError(bool top, const std::wstring& url, const std::wstring& frame,
                     std::int32_t status, bool& c) override {
    Add(top, L"error " + url + L" " + frame + L" " + std::to_wstring(status));
    if (cancelErrors) c = true;
  }
  void DownloadBegin() override {}
  void DownloadComplete() override {}
  void ProgressChange(std::int32_t, std::int32_t) override {}
  void StatusTextChange(const std::wstring&) override {}
  void TitleChange(const std::wstring&) override {}
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
