// The container side of a hosted web-browser control: site and frame answers, and the
// DWebBrowserEvents2 sink reading each event's arguments by position and variant type.
#include "platform/win32/win32_web_site.h"

#include <exdisp.h>
#include <exdispid.h>

#include <algorithm>

namespace zq::win32 {

namespace {

// Arguments arrive in reverse order; a reference to a variant is followed to the variant.
const VARIANT* Arg(const DISPPARAMS& params, UINT fromLast) {
  if (fromLast >= params.cArgs || !params.rgvarg) return nullptr;
  const VARIANT* v = &params.rgvarg[fromLast];
  while (v && V_VT(v) == (VT_BYREF | VT_VARIANT)) v = V_VARIANTREF(v);
  return v;
}

std::wstring Text(const VARIANT* v) {
  if (!v) return std::wstring();
  BSTR text = nullptr;
  if (V_VT(v) == VT_BSTR)
    text = V_BSTR(v);
  else if (V_VT(v) == (VT_BYREF | VT_BSTR) && V_BSTRREF(v))
    text = *V_BSTRREF(v);
  return text ? std::wstring(text, ::SysStringLen(text)) : std::wstring();
}

std::int32_t Int(const VARIANT* v) {
  if (!v) return 0;
  switch (V_VT(v)) {
    case VT_I4:
      return V_I4(v);
    case VT_UI4:
      return static_cast<std::int32_t>(V_UI4(v));
    case VT_INT:
      return V_INT(v);
    case VT_I2:
      return V_I2(v);
    case VT_BYREF | VT_I4:
      return V_I4REF(v) ? *V_I4REF(v) : 0;
    default:
      return 0;
  }
}

// The byte array of a post-data argument; nothing unless it is an array of bytes.
bool Bytes(const VARIANT* v, std::vector<std::uint8_t>& out) {
  if (!v || V_VT(v) != (VT_ARRAY | VT_UI1) || !V_ARRAY(v)) return false;
  SAFEARRAY* array = V_ARRAY(v);
  LONG low = 0, high = -1;
  if (::SafeArrayGetDim(array) != 1 || FAILED(::SafeArrayGetLBound(array, 1, &low)) ||
      FAILED(::SafeArrayGetUBound(array, 1, &high)))
    return false;
  void* data = nullptr;
  if (high >= low && SUCCEEDED(::SafeArrayAccessData(array, &data))) {
    auto* bytes = static_cast<const std::uint8_t*>(data);
    out.assign(bytes, bytes + (high - low + 1));
    ::SafeArrayUnaccessData(array);
  }
  return true;
}

// The cancel argument: a reference to a VARIANT_BOOL (nothing to set otherwise).
VARIANT_BOOL* CancelFlag(const DISPPARAMS& params) {
  if (params.cArgs == 0 || !params.rgvarg) return nullptr;
  VARIANT& v = params.rgvarg[0];
  return V_VT(&v) == (VT_BYREF | VT_BOOL) ? V_BOOLREF(&v) : nullptr;
}

constexpr wchar_t kSiteProperty[] = L"ZqWebSite";        // on the control's window
constexpr wchar_t kHostProperty[] = L"ZqWebSiteOfHost";  // on the host window

template <class I>
void Replace(I*& kept, I* next) {
  if (next) next->AddRef();
  if (kept) kept->Release();
  kept = next;
}

IUnknown* Identity(IUnknown* object) {
  IUnknown* identity = nullptr;
  if (!object || FAILED(object->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&identity))))
    return nullptr;
  identity->Release();  // only compared, never used
  return identity;
}

}  // namespace

WebSite::WebSite(HWND host, const RECT& rect, WebControlEvents& sink)
    : host_(host), rect_(rect), sink_(&sink) {}

WebSite::~WebSite() {
  Unlink();
  for (IOleObject* object : closing_) CloseControl(object);
  for (IUnknown* object : pending_) object->Release();
}

void WebSite::SetControl(IDispatch* control) { control_ = control; }

WebSite* HostedSite(HWND window) {
  return window ? static_cast<WebSite*>(::GetPropW(window, kSiteProperty)) : nullptr;
}

WebSite* SiteOfHost(HWND host) {
  return host ? static_cast<WebSite*>(::GetPropW(host, kHostProperty)) : nullptr;
}

void WebSite::Activate(IOleObject* object, HWND window) {
  window_ = window;
  ::SetPropW(window, kSiteProperty, this);
  ::SetPropW(host_, kHostProperty, this);
  IOleInPlaceObject* inPlace = nullptr;
  if (SUCCEEDED(TraceResult(
          "QueryInterface(IOleInPlaceObject)",
          object->QueryInterface(IID_IOleInPlaceObject, reinterpret_cast<void**>(&inPlace)))))
    std::swap(inPlace_, inPlace);
  if (inPlace) inPlace->Release();
  // Until the control names its active object on UI activation, its own one answers.
  IOleInPlaceActiveObject* active = nullptr;
  if (!active_ && SUCCEEDED(TraceResult("QueryInterface(IOleInPlaceActiveObject)",
                                        object->QueryInterface(IID_IOleInPlaceActiveObject,
                                                               reinterpret_cast<void**>(&active)))))
    std::swap(active_, active);
  if (active) active->Release();
}

void WebSite::Unlink() {
  if (window_ && HostedSite(window_) == this) ::RemovePropW(window_, kSiteProperty);
  if (host_ && SiteOfHost(host_) == this) ::RemovePropW(host_, kHostProperty);
  window_ = nullptr;
  Replace<IOleInPlaceActiveObject>(active_, nullptr);
  Replace<IOleInPlaceObject>(inPlace_, nullptr);
}

void WebSite::CloseControl(IOleObject* object) {
  IOleInPlaceObject* inPlace = nullptr;
  if (SUCCEEDED(
          object->QueryInterface(IID_IOleInPlaceObject, reinterpret_cast<void**>(&inPlace))) &&
      inPlace) {
    TraceResult("IOleInPlaceObject::InPlaceDeactivate", inPlace->InPlaceDeactivate());
    inPlace->Release();
  }
  TraceResult("IOleObject::Close", object->Close(OLECLOSE_NOSAVE));
  TraceResult("IOleObject::SetClientSite", object->SetClientSite(nullptr));
  object->Release();
}

void WebSite::Deactivate(IOleObject* object) {
  Unlink();
  if (!object) return;
  if (delivering_ > 0)
    closing_.push_back(object);
  else
    CloseControl(object);
}

bool WebSite::Place(const RECT& rect) {
  rect_ = rect;
  if (!inPlace_ || !window_ ||
      ::GetWindowThreadProcessId(window_, nullptr) != ::GetCurrentThreadId())
    return false;
  IOleInPlaceObject* inPlace = inPlace_;
  inPlace->AddRef();
  HRESULT result =
      TraceResult("IOleInPlaceObject::SetObjectRects", inPlace->SetObjectRects(&rect_, &rect_));
  inPlace->Release();
  return SUCCEEDED(result);
}

bool WebSite::TranslateKey(MSG& message) {
  if (!active_) return false;
  if (message.message == WM_KEYDOWN) {
    auto it = std::find_if(offered_.begin(), offered_.end(),
                           [&](const auto& seen) { return seen.first == message.wParam; });
    if (it == offered_.end())
      offered_.emplace_back(message.wParam, 1);
    else
      ++it->second;
  }
  IOleInPlaceActiveObject* active = active_;
  active->AddRef();  // the key may take the control down
  HRESULT result = active->TranslateAccelerator(&message);
  active->Release();
  return result == S_OK;
}

unsigned WebSite::KeysOffered(WPARAM key) const {
  for (const auto& [seen, count] : offered_)
    if (seen == key) return count;
  return 0;
}

STDMETHODIMP WebSite::SetActiveObject(IOleInPlaceActiveObject* active, LPCOLESTR) {
  if (active) Replace(active_, active);  // kept when the control leaves UI activation
  return S_OK;
}

void WebSite::Detach() {
  sink_ = nullptr;
  control_ = nullptr;
}

void WebSite::ReleaseAfterEvents(IUnknown* object) {
  if (!object) return;
  if (delivering_ > 0)
    pending_.push_back(object);
  else
    object->Release();
}

STDMETHODIMP WebSite::QueryInterface(REFIID iid, void** out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  if (iid == IID_IUnknown || iid == IID_IOleClientSite)
    *out = static_cast<IOleClientSite*>(this);
  else if (iid == IID_IOleWindow || iid == IID_IOleInPlaceSite)
    *out = static_cast<IOleInPlaceSite*>(this);
  else if (iid == IID_IOleInPlaceUIWindow || iid == IID_IOleInPlaceFrame)
    *out = static_cast<IOleInPlaceFrame*>(this);
  else if (iid == IID_IDispatch || iid == DIID_DWebBrowserEvents2)
    *out = static_cast<IDispatch*>(this);
  else
    return E_NOINTERFACE;
  AddRef();
  return S_OK;
}

STDMETHODIMP_(ULONG) WebSite::AddRef() { return ++references_; }

STDMETHODIMP_(ULONG) WebSite::Release() {
  ULONG left = --references_;
  if (left == 0) delete this;
  return left;
}

STDMETHODIMP WebSite::GetMoniker(DWORD, DWORD, IMoniker** out) {
  if (out) *out = nullptr;
  return E_NOTIMPL;
}

STDMETHODIMP WebSite::GetContainer(IOleContainer** out) {
  if (out) *out = nullptr;
  return E_NOINTERFACE;
}

STDMETHODIMP WebSite::GetWindow(HWND* out) {
  if (!out) return E_POINTER;
  *out = host_;
  return S_OK;
}

STDMETHODIMP WebSite::GetWindowContext(IOleInPlaceFrame** frame, IOleInPlaceUIWindow** document,
                                       LPRECT position, LPRECT clip, LPOLEINPLACEFRAMEINFO info) {
  if (!frame || !document || !position || !clip || !info) return E_POINTER;
  *frame = static_cast<IOleInPlaceFrame*>(this);
  AddRef();
  *document = nullptr;
  *position = rect_;
  *clip = rect_;
  info->fMDIApp = FALSE;
  info->hwndFrame = host_;
  info->haccel = nullptr;
  info->cAccelEntries = 0;
  return S_OK;
}

STDMETHODIMP WebSite::OnPosRectChange(LPCRECT rect) {
  if (!rect) return E_POINTER;
  rect_ = *rect;
  return S_OK;
}

STDMETHODIMP WebSite::GetTypeInfoCount(UINT* count) {
  if (!count) return E_POINTER;
  *count = 0;
  return S_OK;
}

// The site stays alive while an event is delivered even if the handler releases the
// control; objects released meanwhile go after the outermost event.
STDMETHODIMP WebSite::Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* params, VARIANT*,
                             EXCEPINFO*, UINT*) {
  if (!params) return E_INVALIDARG;
  AddRef();
  ++delivering_;
  if (sink_) {
    try {
      Deliver(id, *params);
    } catch (...) {
      // Nothing may unwind into the control; the handlers report their own failures.
    }
  }
  if (--delivering_ == 0) {
    std::vector<IOleObject*> closing;
    closing.swap(closing_);
    for (IOleObject* object : closing) CloseControl(object);
    std::vector<IUnknown*> pending;
    pending.swap(pending_);
    for (IUnknown* object : pending) object->Release();
  }
  Release();
  return S_OK;
}

bool WebSite::IsTopLevel(const VARIANT* pDisp) const {
  IDispatch* sender = nullptr;
  if (!pDisp) return false;
  if (V_VT(pDisp) == VT_DISPATCH)
    sender = V_DISPATCH(pDisp);
  else if (V_VT(pDisp) == (VT_BYREF | VT_DISPATCH) && V_DISPATCHREF(pDisp))
    sender = *V_DISPATCHREF(pDisp);
  if (!sender || !control_) return false;
  return sender == control_ || Identity(sender) == Identity(control_);
}

void WebSite::Deliver(DISPID id, DISPPARAMS& params) {
  switch (id) {
    case DISPID_BEFORENAVIGATE2:
      if (params.cArgs == 7) DeliverBeforeNavigate2(params);
      break;
    case DISPID_NAVIGATECOMPLETE2:
      if (params.cArgs == 2)
        sink_->NavigateComplete2(IsTopLevel(Arg(params, 1)), Text(Arg(params, 0)));
      break;
    case DISPID_DOCUMENTCOMPLETE:
      if (params.cArgs == 2)
        sink_->DocumentComplete(IsTopLevel(Arg(params, 1)), Text(Arg(params, 0)));
      break;
    case DISPID_NAVIGATEERROR:
      if (params.cArgs == 5) DeliverNavigateError(params);
      break;
    case DISPID_DOWNLOADBEGIN:
      sink_->DownloadBegin();
      break;
    case DISPID_DOWNLOADCOMPLETE:
      sink_->DownloadComplete();
      break;
    case DISPID_PROGRESSCHANGE:
      if (params.cArgs == 2) sink_->ProgressChange(Int(Arg(params, 1)), Int(Arg(params, 0)));
      break;
    case DISPID_STATUSTEXTCHANGE:
      if (params.cArgs == 1) sink_->StatusTextChange(Text(Arg(params, 0)));
      break;
    case DISPID_TITLECHANGE:
      if (params.cArgs == 1) sink_->TitleChange(Text(Arg(params, 0)));
      break;
    default:
      break;
  }
}

// BeforeNavigate2(pDisp, URL, Flags, TargetFrameName, PostData, Headers, Cancel).
void WebSite::DeliverBeforeNavigate2(DISPPARAMS& params) {
  std::vector<std::uint8_t> postData;
  bool hasPostData = Bytes(Arg(params, 2), postData);
  VARIANT_BOOL* flag = CancelFlag(params);
  bool cancel = flag && *flag != VARIANT_FALSE;
  sink_->BeforeNavigate2(IsTopLevel(Arg(params, 6)), Text(Arg(params, 5)), Text(Arg(params, 3)),
                         hasPostData ? &postData : nullptr, Text(Arg(params, 1)), cancel);
  if (flag) *flag = cancel ? VARIANT_TRUE : VARIANT_FALSE;
}

// NavigateError(pDisp, URL, TargetFrameName, StatusCode, Cancel).
void WebSite::DeliverNavigateError(DISPPARAMS& params) {
  VARIANT_BOOL* flag = CancelFlag(params);
  bool cancel = flag && *flag != VARIANT_FALSE;
  sink_->NavigateError(IsTopLevel(Arg(params, 4)), Text(Arg(params, 3)), Text(Arg(params, 2)),
                       Int(Arg(params, 1)), cancel);
  if (flag) *flag = cancel ? VARIANT_TRUE : VARIANT_FALSE;
}

}  // namespace zq::win32
