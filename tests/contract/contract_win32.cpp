// The contract's desktop for the Win32 backend: the test process's own platform, the
// stand-in Firefox (fakefox.exe beside the test) as the DDE server, and the real network.
#include "platform/win32/win32_platform.h"
#include "tests/contract/contract.h"
#include "tests/wine/fakefox_process.h"

namespace zq::contract {
namespace {

// The HTML document class; mingw's uuid library lacks it.
constexpr CLSID kHtmlDocumentClass = {
    0x25336920, 0x03f9, 0x11cf, {0x8f, 0xd0, 0x00, 0xaa, 0x00, 0x68, 0x6f, 0x13}};

class Win32ContractDesktop : public Desktop {
 public:
  bool IsWine() const override {
    static const bool wine =
        ::GetProcAddress(::GetModuleHandleW(L"ntdll.dll"), "wine_get_version") != nullptr;
    return wine;
  }

  void Run(const std::function<void()>& body) override {
    static win32::Win32Platform* platform = new win32::Win32Platform(::GetModuleHandleW(nullptr));
    BindThread(platform);
    static const HRESULT ole = ::OleInitialize(nullptr);
    (void)ole;
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

  bool HasHtmlEngine() override {
    IUnknown* document = nullptr;
    if (FAILED(::CoCreateInstance(kHtmlDocumentClass, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown,
                                  reinterpret_cast<void**>(&document))) ||
        !document)
      return false;
    document->Release();
    return true;
  }
};

}  // namespace

Desktop& TheDesktop() {
  static Win32ContractDesktop desktop;
  return desktop;
}

}  // namespace zq::contract
