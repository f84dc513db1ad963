// A stand-in Chromium for the Wine tests: a "Chrome_WidgetWin_1" window serving its own UI
// Automation tree (window > toolbar > edit holding the command line as its address) and
// raising the window events that Wine does not. Ends when closed, or after two minutes.
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#include <ole2.h>
#include <uiautomationcore.h>

#include <string>

namespace {

// The Value pattern's provider, as uiautomationcore.idl declares it (mingw-w64 lacks it).
MIDL_INTERFACE("c7935180-6fb3-4201-b174-7df73adbf64a")
IValueProviderDecl : public IUnknown {
  virtual HRESULT STDMETHODCALLTYPE SetValue(LPCWSTR value) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_Value(BSTR * value) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_IsReadOnly(BOOL * readOnly) = 0;
};
const IID kIValueProvider = {
    0xc7935180, 0x6fb3, 0x4201, {0xb1, 0x74, 0x7d, 0xf7, 0x3a, 0xdb, 0xf6, 0x4a}};

constexpr PROPERTYID kControlType = 30003, kName = 30005, kClassName = 30012, kValueValue = 30045,
                     kLegacyValue = 30093;
constexpr PATTERNID kValuePattern = 10002;
constexpr int kAppendRuntimeId = 3;
constexpr LONG kUiaRootObjectId = -25;  // WM_GETOBJECT asks for the UI Automation root

HWND g_window = nullptr;
std::wstring g_address;

using ReturnFn = LRESULT(WINAPI*)(HWND, WPARAM, LPARAM, IRawElementProviderSimple*);
using HostFn = HRESULT(WINAPI*)(HWND, IRawElementProviderSimple**);
HMODULE Core() {
  static HMODULE dll = ::LoadLibraryW(L"uiautomationcore.dll");
  return dll;
}

struct ElementDesc {
  int controlType;
  const wchar_t *className, *name;
};
const ElementDesc kElements[] = {{50032, L"Chrome_WidgetWin_1", L"Page - Google Chrome"},
                                 {50021, L"ToolbarView", L""},
                                 {50004, L"OmniboxViewViews", L"Address and search bar"}};

// Element `index` of the three; the root is also the fragment root.
class Element : public IRawElementProviderSimple,
                public IRawElementProviderFragment,
                public IRawElementProviderFragmentRoot,
                public IValueProviderDecl {
 public:
  explicit Element(int index) : index_(index) {}

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    *out = nullptr;
    if (iid == IID_IUnknown || iid == IID_IRawElementProviderSimple)
      *out = static_cast<IRawElementProviderSimple*>(this);
    else if (iid == IID_IRawElementProviderFragment)
      *out = static_cast<IRawElementProviderFragment*>(this);
    else if (iid == IID_IRawElementProviderFragmentRoot && index_ == 0)
      *out = static_cast<IRawElementProviderFragmentRoot*>(this);
    else if (iid == kIValueProvider && index_ == 2)
      *out = static_cast<IValueProviderDecl*>(this);
    if (!*out) return E_NOINTERFACE;
    AddRef();
    return S_OK;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ::InterlockedIncrement(&refs_); }
  ULONG STDMETHODCALLTYPE Release() override {
    LONG left = ::InterlockedDecrement(&refs_);
    if (!left) delete this;
    return left;
  }

  HRESULT STDMETHODCALLTYPE get_ProviderOptions(ProviderOptions* options) override {
    *options = ProviderOptions_ServerSideProvider;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetPatternProvider(PATTERNID pattern, IUnknown** out) override {
    *out = nullptr;
    if (pattern == kValuePattern && index_ == 2) {
      *out = static_cast<IValueProviderDecl*>(this);
      AddRef();
    }
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetPropertyValue(PROPERTYID property, VARIANT* out) override {
    ::VariantInit(out);
    const ElementDesc& s = kElements[index_];
    const wchar_t* text = nullptr;
    if (property == kControlType) {
      V_VT(out) = VT_I4;
      V_I4(out) = s.controlType;
    } else if (property == kName) {
      text = s.name;
    } else if (property == kClassName) {
      text = s.className;
    } else if ((property == kValueValue || property == kLegacyValue) && index_ == 2) {
      text = g_address.c_str();
    }
    if (text) {
      V_VT(out) = VT_BSTR;
      V_BSTR(out) = ::SysAllocString(text);
    }
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE get_HostRawElementProvider(IRawElementProviderSimple** out) override {
    *out = nullptr;
    auto host = reinterpret_cast<HostFn>(::GetProcAddress(Core(), "UiaHostProviderFromHwnd"));
    return index_ == 0 && host ? host(g_window, out) : S_OK;
  }

  HRESULT STDMETHODCALLTYPE Navigate(NavigateDirection direction,
                                     IRawElementProviderFragment** out) override {
    int to = -1;
    if (direction == NavigateDirection_Parent && index_ > 0) to = index_ - 1;
    if ((direction == NavigateDirection_FirstChild || direction == NavigateDirection_LastChild) &&
        index_ < 2)
      to = index_ + 1;
    *out = to < 0 ? nullptr : new Element(to);
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetRuntimeId(SAFEARRAY** out) override {
    *out = nullptr;
    if (index_ == 0) return S_OK;
    int parts[] = {kAppendRuntimeId, index_};
    *out = ::SafeArrayCreateVector(VT_I4, 0, 2);
    for (LONG at = 0; at < 2; ++at) ::SafeArrayPutElement(*out, &at, &parts[at]);
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE get_BoundingRectangle(UiaRect* out) override {
    RECT r{};
    ::GetWindowRect(g_window, &r);
    *out = UiaRect{double(r.left), double(r.top), double(r.right - r.left), 40.0};
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetEmbeddedFragmentRoots(SAFEARRAY** out) override {
    *out = nullptr;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE SetFocus() override { return S_OK; }
  HRESULT STDMETHODCALLTYPE get_FragmentRoot(IRawElementProviderFragmentRoot** out) override {
    *out = new Element(0);
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE ElementProviderFromPoint(double, double,
                                                     IRawElementProviderFragment** out) override {
    *out = nullptr;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetFocus(IRawElementProviderFragment** out) override {
    *out = nullptr;
    return S_OK;
  }

  HRESULT STDMETHODCALLTYPE SetValue(LPCWSTR value) override {
    g_address = value;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE get_Value(BSTR* value) override {
    *value = ::SysAllocString(g_address.c_str());
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE get_IsReadOnly(BOOL* readOnly) override {
    *readOnly = FALSE;
    return S_OK;
  }

 private:
  int index_;
  LONG refs_ = 1;
};

bool minimised = false;

// The window events that Windows raises and Wine 8.0 does not, at the same messages.
void RaiseWindowEvents(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  DWORD event = 0;
  if (message == WM_WINDOWPOSCHANGED) {
    const auto* pos = reinterpret_cast<const WINDOWPOS*>(lParam);
    if ((pos->flags & (SWP_NOMOVE | SWP_NOSIZE)) != (SWP_NOMOVE | SWP_NOSIZE))
      event = EVENT_OBJECT_LOCATIONCHANGE;
  } else if (message == WM_SIZE && (wParam == SIZE_MINIMIZED) != minimised) {
    minimised = wParam == SIZE_MINIMIZED;
    event = minimised ? EVENT_SYSTEM_MINIMIZESTART : EVENT_SYSTEM_MINIMIZEEND;
  } else if (message == WM_ACTIVATE && LOWORD(wParam) != WA_INACTIVE) {
    event = EVENT_SYSTEM_FOREGROUND;
  }
  if (event) ::NotifyWinEvent(event, window, OBJID_WINDOW, CHILDID_SELF);
}

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  RaiseWindowEvents(window, message, wParam, lParam);
  if (message == WM_GETOBJECT && static_cast<LONG>(lParam) == kUiaRootObjectId) {
    auto answer =
        reinterpret_cast<ReturnFn>(::GetProcAddress(Core(), "UiaReturnRawElementProvider"));
    if (!answer) return 0;
    Element* root = new Element(0);
    LRESULT result = answer(window, wParam, lParam, root);
    root->Release();
    return result;
  }
  if (message == WM_DESTROY || message == WM_TIMER) ::PostQuitMessage(0);
  return ::DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, LPWSTR commandLine, int) {
  g_address = commandLine && *commandLine ? commandLine : L"example.com/page";
  ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  WNDCLASSW wc{};
  wc.lpfnWndProc = WindowProc;
  wc.hInstance = instance;
  wc.lpszClassName = L"Chrome_WidgetWin_1";
  ::RegisterClassW(&wc);
  g_window = ::CreateWindowExW(0, wc.lpszClassName, L"Page - Google Chrome",
                               WS_OVERLAPPEDWINDOW | WS_VISIBLE, 100, 80, 900, 700, nullptr,
                               nullptr, instance, nullptr);
  ::SetForegroundWindow(g_window);
  ::SetTimer(g_window, 1, 120000, nullptr);
  MSG m;
  while (::GetMessageW(&m, nullptr, 0, 0) > 0) {
    ::TranslateMessage(&m);
    ::DispatchMessageW(&m);
  }
  ::CoUninitialize();
  return 0;
}
