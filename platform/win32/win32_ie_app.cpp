// Internet Explorer application objects on Windows: a browser window of its own that the
// client opens for a link, or a hidden one that loads a page for the client to read.
#include <exdisp.h>

#include "platform/win32/win32_web_site.h"

namespace zq::win32 {

namespace {

VARIANT_BOOL Flag(bool on) { return on ? VARIANT_TRUE : VARIANT_FALSE; }

class Win32IEApplication : public IEApplication {
 public:
  explicit Win32IEApplication(IWebBrowser2* browser) : browser_(browser) {}
  ~Win32IEApplication() override { browser_->Release(); }
  Win32IEApplication(const Win32IEApplication&) = delete;
  Win32IEApplication& operator=(const Win32IEApplication&) = delete;

  HResult SetStatusBar(bool on) override { return browser_->put_StatusBar(Flag(on)); }
  HResult SetToolBar(bool on) override { return browser_->put_ToolBar(on ? 1 : 0); }
  HResult SetMenuBar(bool on) override { return browser_->put_MenuBar(Flag(on)); }
  HResult SetVisible(bool visible) override { return browser_->put_Visible(Flag(visible)); }
  HResult SetFullScreen(bool on) override { return browser_->put_FullScreen(Flag(on)); }
  HResult SetOffline(bool offline) override { return browser_->put_Offline(Flag(offline)); }

  HResult Navigate(const std::wstring& url, std::int32_t flags, const std::wstring& targetFrame,
                   const std::vector<std::uint8_t>& postData,
                   const std::wstring& headers) override {
    VARIANT address, flagArg, frame, post, head;
    for (VARIANT* v : {&address, &flagArg, &frame, &post, &head}) ::VariantInit(v);
    V_VT(&address) = VT_BSTR;
    V_BSTR(&address) = ::SysAllocStringLen(url.data(), static_cast<UINT>(url.size()));
    V_VT(&flagArg) = VT_I4;
    V_I4(&flagArg) = flags;
    if (!targetFrame.empty()) {
      V_VT(&frame) = VT_BSTR;
      V_BSTR(&frame) =
          ::SysAllocStringLen(targetFrame.data(), static_cast<UINT>(targetFrame.size()));
    }
    if (!headers.empty()) {
      V_VT(&head) = VT_BSTR;
      V_BSTR(&head) = ::SysAllocStringLen(headers.data(), static_cast<UINT>(headers.size()));
    }
    if (!postData.empty()) {
      SAFEARRAY* bytes = ::SafeArrayCreateVector(VT_UI1, 0, static_cast<ULONG>(postData.size()));
      void* data = nullptr;
      if (bytes && SUCCEEDED(::SafeArrayAccessData(bytes, &data))) {
        std::copy(postData.begin(), postData.end(), static_cast<std::uint8_t*>(data));
        ::SafeArrayUnaccessData(bytes);
        V_VT(&post) = VT_ARRAY | VT_UI1;
        V_ARRAY(&post) = bytes;
      } else if (bytes) {
        ::SafeArrayDestroy(bytes);
      }
    }
    HRESULT result = browser_->Navigate2(&address, &flagArg, &frame, &post, &head);
    for (VARIANT* v : {&address, &flagArg, &frame, &post, &head}) ::VariantClear(v);
    return result;
  }
  HResult Window(WindowHandle& window) override {
    SHANDLE_PTR handle = 0;
    HRESULT result = browser_->get_HWND(&handle);
    if (SUCCEEDED(result)) window = static_cast<WindowHandle>(handle);
    return result;
  }
  HResult Document(std::shared_ptr<WebDocument>& document) override {
    return BrowserDocument(*browser_, document);
  }
  HResult Quit() override { return browser_->Quit(); }

 private:
  IWebBrowser2* browser_;
};

class Win32IEApplications : public IEApplications {
 public:
  HResult Create(bool run, std::unique_ptr<IEApplication>& application) override {
    IWebBrowser2* browser = nullptr;
    HRESULT result = ::CoCreateInstance(CLSID_InternetExplorer, nullptr, CLSCTX_ALL,
                                        IID_IWebBrowser2, reinterpret_cast<void**>(&browser));
    if (FAILED(result)) return result;
    if (!browser) return E_NOINTERFACE;
    auto made = std::make_unique<Win32IEApplication>(browser);
    if (run) {
      result = ::OleRun(browser);
      if (FAILED(result)) return result;  // `made` releases the object
    }
    application = std::move(made);
    return result;
  }
};

}  // namespace

std::unique_ptr<IEApplications> NewIEApplications() {
  return std::make_unique<Win32IEApplications>();
}

}  // namespace zq::win32
