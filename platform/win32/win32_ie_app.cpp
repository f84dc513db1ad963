// Internet Explorer application objects on Windows: a browser window of its own that the
// client opens for a link, or a hidden one that loads a page for the client to read.
#include "platform/win32/win32_ie_app.h"

#include <exdisp.h>

#include <chrono>
#include <condition_variable>
#include <thread>

#include "platform/win32/win32_web_site.h"

namespace zq::win32 {

// One creation, shared by the caller that waits for it and the worker that makes it.
struct BoundedCreator::Attempt {
  std::mutex lock;
  std::condition_variable changed;
  bool done = false;       // the worker has a result
  bool taken = false;      // the caller has unmarshalled the object
  bool abandoned = false;  // the caller stopped waiting
  HRESULT result = E_FAIL;
  IStream* marshalled = nullptr;  // the object, marshalled for the caller's apartment
};

namespace {

// The worker: creates the object in the multithreaded apartment and marshals it for the
// caller; stays in its apartment until the caller has taken the object or gone away, so
// that the object outlives the hand-over.
void MakeObject(std::shared_ptr<BoundedCreator::Attempt> attempt, CLSID clsid, IID iid) {
  HRESULT com = ::CoInitializeEx(nullptr, COINIT_MULTITHREADED);
  IUnknown* object = nullptr;
  IStream* stream = nullptr;
  HRESULT result = com;
  if (SUCCEEDED(com)) {
    result = ::CoCreateInstance(clsid, nullptr, CLSCTX_ALL, iid, reinterpret_cast<void**>(&object));
    if (SUCCEEDED(result) && !object) result = E_NOINTERFACE;
    if (SUCCEEDED(result)) result = ::CoMarshalInterThreadInterfaceInStream(iid, object, &stream);
  }
  {
    std::unique_lock<std::mutex> hold(attempt->lock);
    attempt->done = true;
    attempt->result = result;
    if (!attempt->abandoned) {
      attempt->marshalled = stream;
      stream = nullptr;
      attempt->changed.notify_all();
      attempt->changed.wait(hold, [&] { return attempt->taken || attempt->abandoned; });
      stream = attempt->marshalled;  // left when the caller went away without it
      attempt->marshalled = nullptr;
    }
  }
  if (stream) {
    ::CoReleaseMarshalData(stream);
    stream->Release();
  }
  if (object) object->Release();
  if (SUCCEEDED(com)) ::CoUninitialize();
}

}  // namespace

HRESULT BoundedCreator::Create(REFCLSID clsid, REFIID iid, void** out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  {
    std::lock_guard<std::mutex> hold(lock_);
    if (abandoned_) {
      std::lock_guard<std::mutex> holdAttempt(abandoned_->lock);
      if (!abandoned_->done) return kCreationTimedOut;
    }
    abandoned_.reset();
  }
  auto attempt = std::make_shared<Attempt>();
  try {
    std::thread(MakeObject, attempt, clsid, iid).detach();
  } catch (...) {
    return E_OUTOFMEMORY;
  }
  std::unique_lock<std::mutex> hold(attempt->lock);
  if (!attempt->changed.wait_for(hold, std::chrono::milliseconds(limitMs_),
                                 [&] { return attempt->done; })) {
    attempt->abandoned = true;
    hold.unlock();
    std::lock_guard<std::mutex> keep(lock_);
    abandoned_ = attempt;
    return kCreationTimedOut;
  }
  HRESULT result = attempt->result;
  if (SUCCEEDED(result)) {
    // Unmarshalling may call the worker's apartment, which does not need this lock.
    IStream* stream = attempt->marshalled;
    attempt->marshalled = nullptr;
    hold.unlock();
    result = ::CoGetInterfaceAndReleaseStream(stream, iid, out);
    hold.lock();
  }
  attempt->taken = true;
  attempt->changed.notify_all();
  return result;
}

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

// The browser's local server is started on demand; one that never answers (as under Wine,
// where "iexplore.exe -Embedding" registers no class object) must not hold the notification
// click or the connectivity check: creations are bounded.
class Win32IEApplications : public IEApplications {
 public:
  explicit Win32IEApplications(unsigned createLimitMs) : creator_(createLimitMs) {}

  HResult Create(bool run, std::unique_ptr<IEApplication>& application) override {
    IWebBrowser2* browser = nullptr;
    HRESULT result = creator_.Create(CLSID_InternetExplorer, IID_IWebBrowser2,
                                     reinterpret_cast<void**>(&browser));
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

 private:
  BoundedCreator creator_;
};

}  // namespace

std::unique_ptr<IEApplications> NewIEApplications(unsigned createLimitMs) {
  return std::make_unique<Win32IEApplications>(createLimitMs);
}

std::unique_ptr<IEApplications> NewIEApplications() { return NewIEApplications(kIECreateLimitMs); }

}  // namespace zq::win32
