// The component runtime on Windows and the client's automation server: the ClientTray
// class object offered to other programs while the client runs, and its objects.
#include <objbase.h>
#include <ocidl.h>
#include <olectl.h>

#include <map>

#include "platform/win32/win32_backend.h"
#include "platform/win32/win32_com_server.h"

namespace zq::win32 {

namespace {

// The dispatch ids of the five methods, in slot order.
constexpr DISPID kFirstMethod = 1;
constexpr const wchar_t* kMethodNames[kClientTrayMethods] = {
    L"ShowPage", L"ShowNotification", L"SetStatus", L"OpenAddress", L"SetOption"};
constexpr UINT kMethodArguments[kClientTrayMethods] = {2, 1, 1, 1, 2};

// The one connection point for _IClientTrayEvents: any number of sinks, none ever called.
class EventPoint final : public IConnectionPoint {
 public:
  explicit EventPoint(IConnectionPointContainer& owner) : owner_(owner) {}
  ~EventPoint() {
    for (auto& sink : sinks_) sink.second->Release();
  }

  STDMETHODIMP QueryInterface(REFIID iid, void** out) override {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (iid != IID_IUnknown && iid != IID_IConnectionPoint) return E_NOINTERFACE;
    *out = static_cast<IConnectionPoint*>(this);
    AddRef();
    return S_OK;
  }
  // The point lives as long as its container.
  STDMETHODIMP_(ULONG) AddRef() override { return owner_.AddRef(); }
  STDMETHODIMP_(ULONG) Release() override { return owner_.Release(); }

  STDMETHODIMP GetConnectionInterface(IID* iid) override {
    if (!iid) return E_POINTER;
    *iid = DIID_IClientTrayEvents;
    return S_OK;
  }
  STDMETHODIMP GetConnectionPointContainer(IConnectionPointContainer** out) override {
    if (!out) return E_POINTER;
    *out = &owner_;
    owner_.AddRef();
    return S_OK;
  }
  STDMETHODIMP Advise(IUnknown* sink, DWORD* cookie) override {
    if (!sink || !cookie) return E_POINTER;
    IUnknown* events = nullptr;
    if (FAILED(sink->QueryInterface(DIID_IClientTrayEvents, reinterpret_cast<void**>(&events))) &&
        FAILED(sink->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&events))))
      return CONNECT_E_CANNOTCONNECT;
    *cookie = ++lastCookie_;
    sinks_[*cookie] = events;
    return S_OK;
  }
  STDMETHODIMP Unadvise(DWORD cookie) override {
    auto found = sinks_.find(cookie);
    if (found == sinks_.end()) return CONNECT_E_NOCONNECTION;
    IUnknown* sink = found->second;
    sinks_.erase(found);
    sink->Release();
    return S_OK;
  }
  STDMETHODIMP EnumConnections(IEnumConnections** out) override {
    if (out) *out = nullptr;
    return E_NOTIMPL;
  }

 private:
  IConnectionPointContainer& owner_;
  std::map<DWORD, IUnknown*> sinks_;
  DWORD lastCookie_ = 0;
};

// One ClientTray object: IClientTray (dual: its own slots and IDispatch by name and id)
// and the connection point container. Every method succeeds and changes nothing.
class ClientTray final : public IClientTray, public IConnectionPointContainer {
 public:
  ClientTray() : point_(*this) {}

  STDMETHODIMP QueryInterface(REFIID iid, void** out) override {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (iid == IID_IUnknown || iid == IID_IDispatch || iid == IID_IClientTray)
      *out = static_cast<IClientTray*>(this);
    else if (iid == IID_IConnectionPointContainer)
      *out = static_cast<IConnectionPointContainer*>(this);
    else
      return E_NOINTERFACE;
    AddRef();
    return S_OK;
  }
  STDMETHODIMP_(ULONG) AddRef() override { return ++references_; }
  STDMETHODIMP_(ULONG) Release() override {
    ULONG left = --references_;
    if (left == 0) delete this;
    return left;
  }

  // IDispatch
  STDMETHODIMP GetTypeInfoCount(UINT* count) override {
    if (!count) return E_POINTER;
    *count = 0;
    return S_OK;
  }
  STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo** out) override {
    if (out) *out = nullptr;
    return DISP_E_BADINDEX;
  }
  STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID,
                             DISPID* ids) override;
  STDMETHODIMP Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                      EXCEPINFO*, UINT* badArgument) override;

  // IClientTray
  STDMETHODIMP ShowPage(BSTR, long) override { return S_OK; }
  STDMETHODIMP ShowNotification(BSTR) override { return S_OK; }
  STDMETHODIMP SetStatus(long) override { return S_OK; }
  STDMETHODIMP OpenAddress(BSTR) override { return S_OK; }
  STDMETHODIMP SetOption(BSTR, BSTR) override { return S_OK; }

  // IConnectionPointContainer
  STDMETHODIMP EnumConnectionPoints(IEnumConnectionPoints** out) override {
    if (out) *out = nullptr;
    return E_NOTIMPL;
  }
  STDMETHODIMP FindConnectionPoint(REFIID iid, IConnectionPoint** out) override {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (iid != DIID_IClientTrayEvents) return CONNECT_E_NOCONNECTION;
    *out = &point_;
    point_.AddRef();
    return S_OK;
  }

 private:
  ~ClientTray() = default;

  ULONG references_ = 1;
  EventPoint point_;
};

STDMETHODIMP ClientTray::GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) {
  if (!names || !ids) return E_POINTER;
  if (count == 0) return E_INVALIDARG;
  for (UINT i = 0; i < count; ++i) ids[i] = DISPID_UNKNOWN;
  for (int m = 0; m < kClientTrayMethods; ++m) {
    if (names[0] && ::lstrcmpiW(names[0], kMethodNames[m]) == 0) {
      ids[0] = kFirstMethod + m;
      return count == 1 ? S_OK : DISP_E_UNKNOWNNAME;  // the methods have no named arguments
    }
  }
  return DISP_E_UNKNOWNNAME;
}

// Calls by id: each method takes its number of arguments (any types) and does nothing.
STDMETHODIMP ClientTray::Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params,
                                VARIANT* result, EXCEPINFO*, UINT* badArgument) {
  if (id < kFirstMethod || id >= kFirstMethod + kClientTrayMethods) return DISP_E_MEMBERNOTFOUND;
  if (!(flags & DISPATCH_METHOD)) return DISP_E_MEMBERNOTFOUND;
  if (!params) return E_INVALIDARG;
  if (params->cNamedArgs != 0) return DISP_E_NONAMEDARGS;
  if (params->cArgs != kMethodArguments[id - kFirstMethod]) return DISP_E_BADPARAMCOUNT;
  if (badArgument) *badArgument = 0;
  if (result) ::VariantInit(result);
  return S_OK;
}

class ClientTrayFactory final : public IClassFactory {
 public:
  STDMETHODIMP QueryInterface(REFIID iid, void** out) override {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (iid != IID_IUnknown && iid != IID_IClassFactory) return E_NOINTERFACE;
    *out = static_cast<IClassFactory*>(this);
    AddRef();
    return S_OK;
  }
  // The factory is a static object that lives as long as the process.
  STDMETHODIMP_(ULONG) AddRef() override { return 2; }
  STDMETHODIMP_(ULONG) Release() override { return 1; }

  // Objects are reached from other processes only, where the component runtime does not
  // aggregate: an outer object is refused.
  STDMETHODIMP CreateInstance(IUnknown* outer, REFIID iid, void** out) override {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (outer) return CLASS_E_NOAGGREGATION;
    auto* tray = new ClientTray;
    HRESULT result = static_cast<IClientTray*>(tray)->QueryInterface(iid, out);
    static_cast<IClientTray*>(tray)->Release();
    return result;
  }
  // The client's life is the tray's, not its objects': locks change nothing.
  STDMETHODIMP LockServer(BOOL) override { return S_OK; }
};

ClientTrayFactory theFactory;

std::wstring ModulePath() {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    DWORD n = ::GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (n == 0) return std::wstring();
    if (n < path.size()) {
      path.resize(n);
      return path;
    }
    path.resize(path.size() * 2);
  }
}

// The type library from the executable, else from the ".tlb" file beside it (the
// extension from the last dot replaced, or appended when there is none).
HRESULT LoadClientLibrary(std::wstring& path, ITypeLib*& library) {
  path = ModulePath();
  HRESULT result = ::LoadTypeLib(path.c_str(), &library);
  if (SUCCEEDED(result) && library) return result;
  size_t dot = path.find_last_of(L'.');
  path = (dot == std::wstring::npos ? path : path.substr(0, dot)) + L".tlb";
  library = nullptr;
  result = ::LoadTypeLib(path.c_str(), &library);
  if (SUCCEEDED(result) && !library) result = E_FAIL;
  return result;
}

// UnRegisterTypeLib, looked up at run time: nothing happens where the system lacks it.
void UnregisterLibrary(ITypeLib& library) {
  using Unregister = HRESULT(WINAPI*)(REFGUID, WORD, WORD, LCID, SYSKIND);
  HMODULE automation = ::GetModuleHandleW(L"oleaut32.dll");
  if (!automation) return;
  auto unregister = reinterpret_cast<Unregister>(
      reinterpret_cast<void*>(::GetProcAddress(automation, "UnRegisterTypeLib")));
  TLIBATTR* attributes = nullptr;
  if (!unregister || FAILED(library.GetLibAttr(&attributes)) || !attributes) return;
  unregister(attributes->guid, attributes->wMajorVerNum, attributes->wMinorVerNum,
             attributes->lcid, attributes->syskind);
  library.ReleaseTLibAttr(attributes);
}

// The component runtime and the registration of the class object while the client runs.
class Win32Com : public Com {
 public:
  HResult Initialize() override { return ::CoInitialize(nullptr); }
  void Uninitialize() override { ::CoUninitialize(); }
  void InitModule(std::uint32_t mainThreadId) override { mainThread_ = mainThreadId; }
  void TermModule() override { mainThread_ = 0; }
  // The type library's part of the registration (the scripts are applied by the client).
  HResult UpdateRegistration(bool registerServer) override {
    std::wstring path;
    ITypeLib* library = nullptr;
    HRESULT result = LoadClientLibrary(path, library);
    if (FAILED(result)) return result;
    if (registerServer) {
      std::wstring helpDirectory = path.substr(0, path.find_last_of(L"\\/:") + 1);
      if (!helpDirectory.empty()) helpDirectory.pop_back();
      result = ::RegisterTypeLib(library, path.data(), helpDirectory.data());
    } else {
      UnregisterLibrary(*library);  // its own result is not the step's
    }
    library->Release();
    return result;
  }
  HResult RegisterClassObjects() override {
    if (cookie_) return S_OK;
    return ::CoRegisterClassObject(CLSID_ClientTray, &theFactory, CLSCTX_LOCAL_SERVER,
                                   REGCLS_MULTIPLEUSE, &cookie_);
  }
  void RevokeClassObjects() override {
    if (cookie_) ::CoRevokeClassObject(cookie_);
    cookie_ = 0;
  }

 private:
  std::uint32_t mainThread_ = 0;
  DWORD cookie_ = 0;
};

}  // namespace

IClassFactory* ClientTrayClassObject() { return &theFactory; }

std::unique_ptr<Com> NewCom() { return std::make_unique<Win32Com>(); }

}  // namespace zq::win32
