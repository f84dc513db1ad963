// The web-browser control on Windows: made in place inside a host window through the
// hand-written container site, with its automation calls and its HTML document.
#include <exdisp.h>
#include <mshtml.h>
#include <ocidl.h>

#include <memory>
#include <new>

#include "platform/win32/win32_web_site.h"

namespace zq::win32 {

bool acceptTestNavigations = false;

namespace {

// A string for one call, freed when it goes.
class Bstr {
 public:
  explicit Bstr(const std::wstring& text)
      : text_(::SysAllocStringLen(text.data(), static_cast<UINT>(text.size()))) {}
  ~Bstr() { ::SysFreeString(text_); }
  Bstr(const Bstr&) = delete;
  Bstr& operator=(const Bstr&) = delete;
  BSTR get() const { return text_; }

 private:
  BSTR text_;
};

// A variant for one call, cleared when it goes.
class Variant {
 public:
  Variant() { ::VariantInit(&v_); }
  ~Variant() { ::VariantClear(&v_); }
  Variant(const Variant&) = delete;
  Variant& operator=(const Variant&) = delete;
  VARIANT* get() { return &v_; }

  // A string variant; an empty text leaves the variant empty ("no argument").
  static void Text(Variant& out, const std::wstring& text, bool emptyAsNothing) {
    if (text.empty() && emptyAsNothing) return;
    V_VT(&out.v_) = VT_BSTR;
    V_BSTR(&out.v_) = ::SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
  }

 private:
  VARIANT v_;
};

// Takes the string a `get_` call returned.
std::wstring Take(BSTR text) {
  std::wstring out = text ? std::wstring(text, ::SysStringLen(text)) : std::wstring();
  ::SysFreeString(text);
  return out;
}

void UnhookTestNavigations(HWND window);
HRESULT HtmlDocumentOf(IWebBrowser2& browser, std::shared_ptr<WebDocument>& document);

template <class I>
void ReleaseNow(I*& pointer) {
  if (pointer) pointer->Release();
  pointer = nullptr;
}

class Win32WebDocument : public WebDocument {
 public:
  explicit Win32WebDocument(IHTMLDocument2* document) : document_(document) {}
  ~Win32WebDocument() override { document_->Release(); }
  Win32WebDocument(const Win32WebDocument&) = delete;
  Win32WebDocument& operator=(const Win32WebDocument&) = delete;

  HResult Write(const std::wstring& text) override {
    SAFEARRAY* array = ::SafeArrayCreateVector(VT_VARIANT, 0, 1);
    if (!array) return E_OUTOFMEMORY;
    VARIANT* item = nullptr;
    HRESULT result = ::SafeArrayAccessData(array, reinterpret_cast<void**>(&item));
    if (SUCCEEDED(result)) {
      V_VT(item) = VT_BSTR;
      V_BSTR(item) = ::SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
      ::SafeArrayUnaccessData(array);
      result = document_->write(array);
    }
    ::SafeArrayDestroy(array);  // clears the string variant too
    return result;
  }
  HResult Close() override { return document_->close(); }
  HResult Open(const std::wstring& mimeType, const std::wstring& name) override {
    Bstr type(mimeType);
    Variant target, features, replace;
    Variant::Text(target, name, false);
    IDispatch* opened = nullptr;
    HRESULT result =
        document_->open(type.get(), *target.get(), *features.get(), *replace.get(), &opened);
    if (opened) opened->Release();
    return result;
  }
  HResult Url(std::wstring& url) override {
    BSTR text = nullptr;
    HRESULT result = document_->get_URL(&text);
    if (SUCCEEDED(result))
      url = Take(text);
    else
      ::SysFreeString(text);
    return result;
  }
  HResult Title(std::wstring& title) override {
    BSTR text = nullptr;
    HRESULT result = document_->get_title(&text);
    if (SUCCEEDED(result))
      title = Take(text);
    else
      ::SysFreeString(text);
    return result;
  }
  HResult ElementText(const std::wstring& id, std::optional<std::wstring>& text) override {
    IHTMLElement* element = nullptr;
    HRESULT result = Element(id, element);
    if (FAILED(result)) return result;
    if (!element) {
      text.reset();
      return result;
    }
    BSTR inner = nullptr;
    result = element->get_innerText(&inner);
    if (SUCCEEDED(result))
      text = Take(inner);
    else
      ::SysFreeString(inner);
    element->Release();
    return result;
  }
  HResult SetElementText(const std::wstring& id, const std::wstring& text, bool& found) override {
    IHTMLElement* element = nullptr;
    HRESULT result = Element(id, element);
    if (FAILED(result)) return result;
    found = element != nullptr;
    if (!element) return result;
    Bstr value(text);
    result = element->put_innerText(value.get());
    element->Release();
    return result;
  }

 private:
  // IHTMLDocument3::getElementById; a null element when none has that id.
  HRESULT Element(const std::wstring& id, IHTMLElement*& element) {
    IHTMLDocument3* document3 = nullptr;
    HRESULT result =
        document_->QueryInterface(IID_IHTMLDocument3, reinterpret_cast<void**>(&document3));
    if (FAILED(result)) return result;
    if (!document3) return E_POINTER;
    Bstr name(id);
    result = document3->getElementById(name.get(), &element);
    document3->Release();
    if (FAILED(result)) element = nullptr;
    return result;
  }

  IHTMLDocument2* document_;
};

// How deep and how many frames are read; a page beyond either counts as holding a frame
// whose address cannot be read.
constexpr int kMaxFrameDepth = 8;
constexpr size_t kMaxFrames = 64;

// The address of each frame in `browser`'s document and in its frames' documents: the
// document's embedded browsers, found through its container. The container answers across
// origins, where a script of the page could not.
void CollectFrames(IWebBrowser2& browser, int depth, std::vector<std::wstring>& urls) {
  IDispatch* dispatch = nullptr;
  if (FAILED(browser.get_Document(&dispatch)) || !dispatch) return;
  IOleContainer* container = nullptr;
  HRESULT result =
      dispatch->QueryInterface(IID_IOleContainer, reinterpret_cast<void**>(&container));
  dispatch->Release();
  if (FAILED(result) || !container) return;
  IEnumUnknown* objects = nullptr;
  if (SUCCEEDED(container->EnumObjects(OLECONTF_EMBEDDINGS, &objects)) && objects) {
    IUnknown* object = nullptr;
    while (objects->Next(1, &object, nullptr) == S_OK && object) {
      IWebBrowser2* frame = nullptr;
      if (SUCCEEDED(object->QueryInterface(IID_IWebBrowser2, reinterpret_cast<void**>(&frame))) &&
          frame) {
        BSTR text = nullptr;
        bool read = SUCCEEDED(frame->get_LocationURL(&text));
        urls.push_back(read ? Take(text) : std::wstring());
        if (!read) ::SysFreeString(text);
        if (depth >= kMaxFrameDepth || urls.size() >= kMaxFrames)
          urls.emplace_back();
        else
          CollectFrames(*frame, depth + 1, urls);
        frame->Release();
      }
      object->Release();
      if (urls.size() >= kMaxFrames) break;
    }
    objects->Release();
  }
  container->Release();
}

class Win32WebControl : public WebControl {
 public:
  Win32WebControl(WebSite* site, IOleObject* object, IWebBrowser2* browser, HWND window)
      : site_(site), object_(object), browser_(browser), window_(window) {}

  // Stops the events, then lets go of the control's interfaces (after the event being
  // delivered, when a handler releases its control from inside one).
  ~Win32WebControl() override {
    if (acceptTestNavigations && ::IsWindow(window_)) UnhookTestNavigations(window_);
    if (cookie_ && point_) point_->Unadvise(cookie_);
    site_->Detach();
    site_->ReleaseAfterEvents(point_);
    site_->ReleaseAfterEvents(browser_);
    site_->Deactivate(object_);
    site_->Release();
  }
  Win32WebControl(const Win32WebControl&) = delete;
  Win32WebControl& operator=(const Win32WebControl&) = delete;

  // Connects the site as the DWebBrowserEvents2 sink.
  HRESULT Advise() {
    IConnectionPointContainer* container = nullptr;
    HRESULT result = browser_->QueryInterface(IID_IConnectionPointContainer,
                                              reinterpret_cast<void**>(&container));
    if (FAILED(result) || !container) return FAILED(result) ? result : E_NOINTERFACE;
    result = container->FindConnectionPoint(DIID_DWebBrowserEvents2, &point_);
    container->Release();
    if (FAILED(result) || !point_) return FAILED(result) ? result : E_NOINTERFACE;
    return point_->Advise(static_cast<IDispatch*>(site_), &cookie_);
  }

  WindowHandle Window() override { return FromHwnd(window_); }
  HWND ControlHwnd() const { return window_; }
  const WebSite& Site() const { return *site_; }
  // The test build only: the page the control is to report as shown from now on, standing
  // in for a service page that this system's control cannot load (no HTML engine).
  void ShowTestPage(std::wstring page) { testPage_ = std::move(page); }

  HResult Navigate(const std::wstring& url, std::int32_t flags, const std::wstring& targetFrame,
                   const std::vector<std::uint8_t>& postData,
                   const std::wstring& headers) override {
    Bstr address(url);
    Variant flagArg, frameArg, postArg, headerArg;
    V_VT(flagArg.get()) = VT_I4;
    V_I4(flagArg.get()) = flags;
    Variant::Text(frameArg, targetFrame, true);
    Variant::Text(headerArg, headers, true);
    if (!postData.empty()) {
      SAFEARRAY* bytes = ::SafeArrayCreateVector(VT_UI1, 0, static_cast<ULONG>(postData.size()));
      if (!bytes) return E_OUTOFMEMORY;
      void* data = nullptr;
      if (SUCCEEDED(::SafeArrayAccessData(bytes, &data))) {
        std::copy(postData.begin(), postData.end(), static_cast<std::uint8_t*>(data));
        ::SafeArrayUnaccessData(bytes);
      }
      V_VT(postArg.get()) = VT_ARRAY | VT_UI1;
      V_ARRAY(postArg.get()) = bytes;
    }
    // Events raised inside the call may release this object: keep the interface alive.
    IWebBrowser2* browser = browser_;
    browser->AddRef();
    HRESULT result = browser->Navigate(address.get(), flagArg.get(), frameArg.get(), postArg.get(),
                                       headerArg.get());
    browser->Release();
    return result;
  }
  HResult Refresh() override { return browser_->Refresh(); }
  HResult Quit() override { return browser_->Quit(); }
  HResult SetSilent(bool silent) override {
    return browser_->put_Silent(silent ? VARIANT_TRUE : VARIANT_FALSE);
  }
  HResult SetOffline(bool offline) override {
    return browser_->put_Offline(offline ? VARIANT_TRUE : VARIANT_FALSE);
  }
  HResult SetRegisterAsDropTarget(bool accept) override {
    return browser_->put_RegisterAsDropTarget(accept ? VARIANT_TRUE : VARIANT_FALSE);
  }
  HResult LocationUrl(std::wstring& url) override {
    if (!testPage_.empty()) {  // the test build only: the page a test says is shown
      url = testPage_;
      return S_OK;
    }
    BSTR text = nullptr;
    HRESULT result = browser_->get_LocationURL(&text);
    if (SUCCEEDED(result))
      url = Take(text);
    else
      ::SysFreeString(text);
    return result;
  }
  // The hosted control's document as it is: the host writes its built-in pages into a
  // document it has just opened (IHTMLDocument2::open), which is not complete then.
  HResult Document(std::shared_ptr<WebDocument>& document) override {
    return HtmlDocumentOf(*browser_, document);
  }
  HResult FrameLocations(std::vector<std::wstring>& urls) override {
    urls.clear();
    CollectFrames(*browser_, 1, urls);
    return S_OK;
  }

 private:
  WebSite* site_;
  IOleObject* object_;
  IWebBrowser2* browser_;
  HWND window_;
  IConnectionPoint* point_ = nullptr;
  DWORD cookie_ = 0;
  std::wstring testPage_;
};

// Test navigations: in the test build of the client, another program may hand a control an
// address to navigate to, as a page's script would, by sending its window WM_COPYDATA with
// kTestNavigationTag and the address in UTF-16, optionally after the page the script runs
// on and a line break ("PAGE\nADDRESS"): the control reports that page as shown from then
// on, since it cannot load one without an HTML engine. The control's window is subclassed;
// the address is navigated to from a posted message, after the sender has been answered.
constexpr UINT kTestNavigateNow = WM_APP + 0x5A1;
// Also: the number of key-down messages with the key in wParam offered to the control's
// accelerator handling, as the answer to kTestKeysOffered.
constexpr UINT kTestKeysOffered = WM_APP + 0x5A2;
const wchar_t kTestControlProp[] = L"ZQTestNavigationControl";
const wchar_t kTestProcProp[] = L"ZQTestNavigationProc";

// Puts the window's own procedure back, when the window or the control goes.
void UnhookTestNavigations(HWND window) {
  // Addresses still queued for the window are never navigated to: free them.
  MSG pending;
  while (::PeekMessageW(&pending, window, kTestNavigateNow, kTestNavigateNow, PM_REMOVE))
    delete reinterpret_cast<std::wstring*>(pending.lParam);
  auto previous = reinterpret_cast<WNDPROC>(::RemovePropW(window, kTestProcProp));
  ::RemovePropW(window, kTestControlProp);
  if (previous) ::SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(previous));
}

LRESULT CALLBACK TestNavigationProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  auto previous = reinterpret_cast<WNDPROC>(::GetPropW(window, kTestProcProp));
  auto* control = static_cast<Win32WebControl*>(::GetPropW(window, kTestControlProp));
  if (message == WM_COPYDATA && control) {
    const auto* data = reinterpret_cast<const COPYDATASTRUCT*>(lParam);
    if (!data || data->dwData != kTestNavigationTag || data->cbData % sizeof(wchar_t) != 0)
      return FALSE;
    auto* url = new (std::nothrow)
        std::wstring(static_cast<const wchar_t*>(data->lpData), data->cbData / sizeof(wchar_t));
    // The queued message owns the address; unhooking frees what is never handled.
    if (url && !::PostMessageW(window, kTestNavigateNow, 0, reinterpret_cast<LPARAM>(url)))
      delete url;
    return url != nullptr;  // NOLINT(clang-analyzer-cplusplus.NewDeleteLeaks): owned by the queue
  }
  if (message == kTestKeysOffered && control) return control->Site().KeysOffered(wParam);
  if (message == kTestNavigateNow) {
    std::unique_ptr<std::wstring> url(reinterpret_cast<std::wstring*>(lParam));
    const size_t pageEnd = url->find(L'\n');
    if (control && pageEnd != std::wstring::npos) {
      control->ShowTestPage(url->substr(0, pageEnd));
      url->erase(0, pageEnd + 1);
    }
    if (control) control->Navigate(*url, 0, L"", {}, L"");
    return 0;
  }
  if (message == WM_NCDESTROY) UnhookTestNavigations(window);
  return previous ? ::CallWindowProcW(previous, window, message, wParam, lParam)
                  : ::DefWindowProcW(window, message, wParam, lParam);
}

void HookTestNavigations(HWND window, Win32WebControl* control) {
  auto previous = reinterpret_cast<WNDPROC>(::GetWindowLongPtrW(window, GWLP_WNDPROC));
  ::SetPropW(window, kTestProcProp, reinterpret_cast<HANDLE>(previous));
  ::SetPropW(window, kTestControlProp, control);
  ::SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(TestNavigationProc));
}

// Takes the half-made control down again: deactivated, closed and unhooked from the site,
// so that no window is left behind.
void Abandon(WebSite& site, IOleObject* object, HWND window) {
  site.Deactivate(object);
  if (window && ::IsWindow(window)) ::DestroyWindow(window);
}

HWND ControlWindow(IOleObject* object) {
  IOleInPlaceObject* inPlace = nullptr;
  HWND window = nullptr;
  if (SUCCEEDED(
          object->QueryInterface(IID_IOleInPlaceObject, reinterpret_cast<void**>(&inPlace))) &&
      inPlace) {
    if (FAILED(inPlace->GetWindow(&window))) window = nullptr;
    inPlace->Release();
  }
  return window;
}

class Win32WebControls : public WebControls {
 public:
  std::unique_ptr<WebControl> Create(WindowHandle host, const Rect& rect, std::uint32_t style,
                                     unsigned controlId, WebControlEvents& sink) override {
    HWND parent = ToHwnd(host);
    IOleObject* object = nullptr;
    if (FAILED(
            TraceResult("CoCreateInstance(WebBrowser)",
                        ::CoCreateInstance(CLSID_WebBrowser, nullptr, CLSCTX_INPROC_SERVER,
                                           IID_IOleObject, reinterpret_cast<void**>(&object)))) ||
        !object)
      return nullptr;
    RECT place{rect.left, rect.top, rect.right, rect.bottom};
    auto* site = new WebSite(parent, place, sink);
    HWND window = nullptr;
    IWebBrowser2* browser = nullptr;
    HRESULT result = object->SetClientSite(static_cast<IOleClientSite*>(site));
    if (SUCCEEDED(result))
      result = object->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, static_cast<IOleClientSite*>(site),
                              0, parent, &place);
    if (SUCCEEDED(result)) window = ControlWindow(object);
    if (window) site->Activate(object, window);
    if (SUCCEEDED(result))
      result = object->QueryInterface(IID_IWebBrowser2, reinterpret_cast<void**>(&browser));
    if (FAILED(result) || !browser || !window) {
      TraceResult("in-place activation of WebBrowser", FAILED(result) ? result : E_NOINTERFACE);
      ReleaseNow(browser);
      site->Detach();
      Abandon(*site, object, window);
      site->Release();
      return nullptr;
    }
    site->SetControl(browser);
    auto control = std::make_unique<Win32WebControl>(site, object, browser, window);
    if (FAILED(control->Advise())) {
      control.reset();  // takes the control down: deactivated, closed, released
      if (::IsWindow(window)) ::DestroyWindow(window);
      return nullptr;
    }
    Shape(*site, window, style, controlId, place);
    if (acceptTestNavigations) HookTestNavigations(window, control.get());
    return control;
  }

 private:
  // The control's window gets the control id, the tab stop and the visibility of the
  // requested style, and its place through the control's in-place object.
  static void Shape(WebSite& site, HWND window, std::uint32_t style, unsigned controlId,
                    const RECT& place) {
    ::SetWindowLongPtrW(window, GWLP_ID, static_cast<LONG_PTR>(controlId));
    if (style & WS_TABSTOP)
      ::SetWindowLongW(window, GWL_STYLE, ::GetWindowLongW(window, GWL_STYLE) | WS_TABSTOP);
    if (!site.Place(place))
      ::MoveWindow(window, place.left, place.top, place.right - place.left,
                   place.bottom - place.top, TRUE);
    ::ShowWindow(window, (style & WS_VISIBLE) ? SW_SHOWNA : SW_HIDE);
  }
};

}  // namespace

namespace {

// Some browsers answer S_FALSE with no document: that is "no document yet", as is a
// document that is not HTML.
HRESULT HtmlDocumentOf(IWebBrowser2& browser, std::shared_ptr<WebDocument>& document) {
  IDispatch* dispatch = nullptr;
  HRESULT result = browser.get_Document(&dispatch);
  if (FAILED(result)) return result;
  document.reset();
  if (!dispatch) return S_OK;
  IHTMLDocument2* html = nullptr;
  result = dispatch->QueryInterface(IID_IHTMLDocument2, reinterpret_cast<void**>(&html));
  dispatch->Release();
  if (result == E_NOINTERFACE || (SUCCEEDED(result) && !html)) return S_OK;
  if (FAILED(result)) return result;
  document = std::make_shared<Win32WebDocument>(html);
  return S_OK;
}

}  // namespace

// A browser hands out its next document as soon as the load has made one; a reader that
// looks for an element in it then (the connectivity check) would find a half-loaded page
// without it. Only a complete page counts.
HRESULT BrowserDocument(IWebBrowser2& browser, std::shared_ptr<WebDocument>& document) {
  READYSTATE state = READYSTATE_UNINITIALIZED;
  HRESULT result = browser.get_ReadyState(&state);
  if (FAILED(result)) return result;
  document.reset();
  if (state != READYSTATE_COMPLETE) return S_OK;
  return HtmlDocumentOf(browser, document);
}

std::unique_ptr<WebControls> NewWebControls() { return std::make_unique<Win32WebControls>(); }

}  // namespace zq::win32
