// The contract's desktop for the Win32 backend: the test process's own platform, the
// stand-in Firefox (fakefox.exe beside the test) as the DDE server, and the real network.
#include "platform/win32/win32_platform.h"
#include "tests/contract/contract.h"
#include "tests/wine/fakefox_process.h"
#include "tests/wine/html_engine.h"

namespace zq::contract {
namespace {

class Win32ContractDesktop : public Desktop {
 public:
  bool IsWine() const override {
    return ::GetProcAddress(::GetModuleHandleW(L"ntdll.dll"), "wine_get_version") != nullptr;
  }

  void Run(const std::function<void()>& body) override {
    static win32::Win32Platform* platform = new win32::Win32Platform(::GetModuleHandleW(nullptr));
    BindThread(platform);
    [[maybe_unused]] static const HRESULT ole = ::OleInitialize(nullptr);
    body();
    // Nothing of this case reaches the next one, not even a quit message left posted.
    Plat().windows().PumpPending();
    MSG quit;
    while (::PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
    }
  }

  std::shared_ptr<void> StartFirefox(bool answers, const std::wstring& url,
                                     const std::wstring& title) override {
    return std::make_shared<win32::test::FakeFirefox>(answers ? L"answer" : L"silent", url, title);
  }

  void MakeUnreachable(const std::wstring&) override {}  // nothing listens on the test ports

  bool HasHtmlEngine() override { return win32::test::HtmlEngineInstalled(); }
};

}  // namespace

Desktop& TheDesktop() {
  static Win32ContractDesktop desktop;
  return desktop;
}

}  // namespace zq::contract
