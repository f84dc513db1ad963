// The contract's desktop for the Win32 backend: the test process's own platform, the
// stand-in Firefox (fakefox.exe beside the test) as the DDE server, and the real network.
#include "platform/win32/win32_platform.h"
#include "tests/contract/contract.h"

namespace zq::contract {
namespace {

// The HTML document class; mingw's uuid library lacks it.
constexpr CLSID kHtmlDocumentClass = {
    0x25336920, 0x03f9, 0x11cf, {0x8f, 0xd0, 0x00, 0xaa, 0x00, 0x68, 0x6f, 0x13}};

// The stand-in Firefox, ended when the object goes.
class FakeFirefox {
 public:
  FakeFirefox(bool answers, const std::wstring& url, const std::wstring& title) {
    wchar_t exe[MAX_PATH] = {};
    ::GetModuleFileNameW(nullptr, exe, MAX_PATH);
    std::wstring dir(exe);
    dir.resize(dir.find_last_of(L'\\') + 1);
    std::wstring line = L"\"" + dir + L"fakefox.exe\" " + (answers ? L"answer" : L"silent") +
                        L" \"" + url + L"\" \"" + title + L"\"";
    STARTUPINFOW si{};
    si.cb = sizeof si;
    if (!::CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si,
                          &pi_))
      return;
    for (int i = 0; i < 200 && !frame_; ++i) {
      ::Sleep(50);
      frame_ = ::FindWindowW(L"MozillaUIWindowClass", nullptr);
    }
  }
  ~FakeFirefox() {
    if (frame_) ::PostMessageW(frame_, WM_CLOSE, 0, 0);
    if (!pi_.hProcess) return;
    if (::WaitForSingleObject(pi_.hProcess, 5000) != WAIT_OBJECT_0)
      ::TerminateProcess(pi_.hProcess, 1);
    ::CloseHandle(pi_.hProcess);
    ::CloseHandle(pi_.hThread);
  }

 private:
  PROCESS_INFORMATION pi_{};
  HWND frame_ = nullptr;
};

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
    return std::make_shared<FakeFirefox>(answers, url, title);
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
