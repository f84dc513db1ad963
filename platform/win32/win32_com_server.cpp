// The component runtime on Windows and the client's automation server: the ClientTray
// class object offered to other programs while the client runs, and its objects.
#include <objbase.h>
#include <ocidl.h>
#include <olectl.h>

#include <map>
#include <string>

#include "platform/win32/win32_backend.h"
#include "platform/win32/win32_com_server.h"

namespace zq::win32 {

namespace {

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

// The type library from the executable (its TYPELIB resource 1), else from the ".tlb" file
// beside it (the extension from the last dot replaced, or appended when there is none).
HRESULT LoadClientLibrary(std::wstring& path, ITypeLib*& library) {
  path = ModulePath();
  library = nullptr;
  HRESULT result = ::LoadTypeLib(path.c_str(), &library);
  if (SUCCEEDED(result) && library) return result;
  if (library) library->Release();
  size_t dot = path.find_last_of(L'.');
  size_t slash = path.find_last_of(L"\\/");
  if (dot != std::wstring::npos && slash != std::wstring::npos && dot < slash)
    dot = std::wstring::npos;  // a dot in a directory name is no extension
  path = (dot == std::wstring::npos ? path : path.substr(0, dot)) + L".tlb";
  library = nullptr;
  result = ::LoadTypeLib(path.c_str(), &library);
  if (SUCCEEDED(result) && !library) result = E_FAIL;
  return result;
}

// IClientTray's type information, loaded once for the process and kept to its end: the
// interface part of the dual interface, so that calls by id reach the object's own slots.
struct TrayTypeInfo {
  HRESULT result = E_FAIL;
  ITypeInfo* info = nullptr;
};

const TrayTypeInfo& ClientTrayTypeInfo() {
  static const TrayTypeInfo loaded = [] {
    TrayTypeInfo made;
    std::wstring path;
    ITypeLib* library = nullptr;
    made.result = LoadClientLibrary(path, library);
    if (FAILED(made.result)) return made;
    ITypeInfo* described = nullptr;
    made.result = library->GetTypeInfoOfGuid(IID_IClientTray, &described);
    library->Release();
    if (FAILED(made.result)) return made;
    // A dual interface is found as its dispatch part; its vtable part is the one that
    // DispInvoke can call through.
    HREFTYPE vtable = 0;
    ITypeInfo* slots = nullptr;
    if (SUCCEEDED(described->GetRefTypeOfImplType(-1, &vtable)) &&
        SUCCEEDED(described->GetRefTypeInfo(vtable, &slots)) && slots) {
      described->Release();
      described = slots;
    }
    made.info = described;
    return made;
  }();
  return loaded;
}

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

  // IDispatch, through the type library ClientLib.
  STDMETHODIMP GetTypeInfoCount(UINT* count) override {
    if (!count) return E_POINTER;
    *count = ClientTrayTypeInfo().info ? 1 : 0;
    return S_OK;
  }
  STDMETHODIMP GetTypeInfo(UINT index, LCID, ITypeInfo** out) override {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (index != 0) return DISP_E_BADINDEX;
    const TrayTypeInfo& type = ClientTrayTypeInfo();
    if (!type.info) return type.result;
    *out = type.info;
    type.info->AddRef();
    return S_OK;
  }
  STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) override;
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

STDMETHODIMP ClientTray::GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID, DISPID* ids) {
  if (!names || !ids) return E_POINTER;
  if (iid != IID_NULL) return DISP_E_UNKNOWNINTERFACE;
  const TrayTypeInfo& type = ClientTrayTypeInfo();
  if (!type.info) return type.result;
  return ::DispGetIDsOfNames(type.info, names, count, ids);
}

// Calls by id go to the methods' own slots; the type library converts the arguments.
STDMETHODIMP ClientTray::Invoke(DISPID id, REFIID iid, LCID, WORD flags, DISPPARAMS* params,
                                VARIANT* result, EXCEPINFO* exception, UINT* badArgument) {
  if (iid != IID_NULL) return DISP_E_UNKNOWNINTERFACE;
  if (!params) return E_INVALIDARG;
  const TrayTypeInfo& type = ClientTrayTypeInfo();
  if (!type.info) return type.result;
  // Every argument is required: a call with another count is refused here, as not every
  // system's DispInvoke refuses missing ones.
  TYPEATTR* attributes = nullptr;
  if (FAILED(type.info->GetTypeAttr(&attributes)) || !attributes) return E_UNEXPECTED;
  const WORD functions = attributes->cFuncs;
  type.info->ReleaseTypeAttr(attributes);
  for (WORD i = 0; i < functions; ++i) {
    FUNCDESC* function = nullptr;
    if (FAILED(type.info->GetFuncDesc(i, &function)) || !function) continue;
    const bool same = function->memid == id;
    const UINT count = static_cast<UINT>(function->cParams);
    type.info->ReleaseFuncDesc(function);
    if (same && params->cArgs != count) return DISP_E_BADPARAMCOUNT;
  }
  return ::DispInvoke(static_cast<IClientTray*>(this), type.info, id, flags, params, result,
                      exception, badArgument);
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

// UnRegisterTypeLib (machine-wide) or UnRegisterTypeLibForUser, looked up at run time:
// nothing happens where the system lacks it.
void UnregisterLibrary(ITypeLib& library, bool perUser) {
  using Unregister = HRESULT(WINAPI*)(REFGUID, WORD, WORD, LCID, SYSKIND);
  HMODULE automation = ::GetModuleHandleW(L"oleaut32.dll");
  if (!automation) return;
  auto unregister = reinterpret_cast<Unregister>(reinterpret_cast<void*>(
      ::GetProcAddress(automation, perUser ? "UnRegisterTypeLibForUser" : "UnRegisterTypeLib")));
  TLIBATTR* attributes = nullptr;
  if (!unregister || FAILED(library.GetLibAttr(&attributes)) || !attributes) return;
  unregister(attributes->guid, attributes->wMajorVerNum, attributes->wMinorVerNum, attributes->lcid,
             attributes->syskind);
  library.ReleaseTLibAttr(attributes);
}

// RegisterTypeLibForUser, looked up at run time: a system without it (before Vista) has no
// per-user classes apart from the machine's, and gets the machine-wide call.
HRESULT RegisterLibrary(ITypeLib& library, std::wstring& path, std::wstring& helpDirectory,
                        bool perUser) {
  using Register = HRESULT(WINAPI*)(ITypeLib*, OLECHAR*, OLECHAR*);
  HMODULE automation = ::GetModuleHandleW(L"oleaut32.dll");
  auto forUser = perUser && automation
                     ? reinterpret_cast<Register>(reinterpret_cast<void*>(
                           ::GetProcAddress(automation, "RegisterTypeLibForUser")))
                     : nullptr;
  if (forUser) return forUser(&library, path.data(), helpDirectory.data());
  return ::RegisterTypeLib(&library, path.data(), helpDirectory.data());
}

// The component runtime and the registration of the class object while the client runs.
class Win32Com : public Com {
 public:
  HResult Initialize() override { return ::CoInitialize(nullptr); }
  void Uninitialize() override { ::CoUninitialize(); }
  void InitModule(std::uint32_t mainThreadId) override { mainThread_ = mainThreadId; }
  void TermModule() override { mainThread_ = 0; }
  // The type library's part of the registration (the scripts are applied by the client).
  HResult UpdateRegistration(bool registerServer, bool perUser) override {
    std::wstring path;
    ITypeLib* library = nullptr;
    HRESULT result = LoadClientLibrary(path, library);
    if (FAILED(result)) return result;
    if (registerServer) {
      std::wstring helpDirectory = path.substr(0, path.find_last_of(L"\\/:") + 1);
      if (!helpDirectory.empty()) helpDirectory.pop_back();
      result = RegisterLibrary(*library, path, helpDirectory, perUser);
    } else {
      UnregisterLibrary(*library, perUser);  // its own result is not the step's
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
