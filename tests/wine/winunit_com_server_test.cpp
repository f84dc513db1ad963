// The automation server's objects, made in-process from its class object: the five methods
// through their slots and through dispatch by name, the events' connection point, what the
// class object refuses, and the type library ClientLib embedded in the executable.
#include <ocidl.h>
#include <olectl.h>

#include <string>
#include <vector>

#include "platform/win32/win32_com_server.h"
#include "winunit_fixture.h"

namespace zq::win32::test {
namespace {

template <class I>
struct Ptr {
  I* p = nullptr;
  ~Ptr() {
    if (p) p->Release();
  }
  void** out() { return reinterpret_cast<void**>(&p); }
  I* operator->() const { return p; }
};

HRESULT CallByName(IDispatch& object, const wchar_t* name, UINT argc) {
  DISPID id = DISPID_UNKNOWN;
  LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
  HRESULT result = object.GetIDsOfNames(IID_NULL, names, 1, 0, &id);
  if (FAILED(result)) return result;
  VARIANT args[3];
  for (VARIANT& a : args) {
    ::VariantInit(&a);
    V_VT(&a) = VT_I4;
    V_I4(&a) = 7;
  }
  DISPPARAMS params{args, nullptr, argc, 0};
  VARIANT out;
  ::VariantInit(&out);
  return object.Invoke(id, IID_NULL, 0, DISPATCH_METHOD, &params, &out, nullptr, nullptr);
}

TEST(ClientTrayServer, EveryMethodSucceedsThroughSlotsAndDispatch) {
  Ptr<IClientTray> tray;
  ASSERT_EQ(ClientTrayClassObject()->CreateInstance(nullptr, IID_IClientTray, tray.out()), S_OK);
  BSTR text = ::SysAllocString(L"x");
  EXPECT_EQ(tray->ShowPage(text, 1), S_OK);
  EXPECT_EQ(tray->ShowNotification(text), S_OK);
  EXPECT_EQ(tray->SetStatus(2), S_OK);
  EXPECT_EQ(tray->OpenAddress(text), S_OK);
  EXPECT_EQ(tray->SetOption(text, text), S_OK);
  ::SysFreeString(text);

  const struct {
    const wchar_t* name;
    UINT argc;
  } methods[] = {{L"ShowPage", 2},
                 {L"shownotification", 1},
                 {L"SetStatus", 1},
                 {L"OpenAddress", 1},
                 {L"SetOption", 2}};
  for (const auto& m : methods) EXPECT_EQ(CallByName(*tray.p, m.name, m.argc), S_OK) << m.argc;
  EXPECT_EQ(CallByName(*tray.p, L"ShowPage", 1), DISP_E_BADPARAMCOUNT);
  EXPECT_EQ(CallByName(*tray.p, L"ShowPage", 3), DISP_E_BADPARAMCOUNT);
  EXPECT_EQ(CallByName(*tray.p, L"Explode", 0), DISP_E_UNKNOWNNAME);
}

// Dispatch goes through the type library: it describes the object, and arguments that
// cannot become the declared types are refused before any method runs.
TEST(ClientTrayServer, DispatchUsesTheTypeLibrary) {
  Ptr<IDispatch> tray;
  ASSERT_EQ(ClientTrayClassObject()->CreateInstance(nullptr, IID_IDispatch, tray.out()), S_OK);
  UINT count = 0;
  ASSERT_EQ(tray->GetTypeInfoCount(&count), S_OK);
  EXPECT_EQ(count, 1u);
  Ptr<ITypeInfo> info;
  ASSERT_EQ(tray->GetTypeInfo(0, 0, &info.p), S_OK);
  TYPEATTR* attributes = nullptr;
  ASSERT_EQ(info->GetTypeAttr(&attributes), S_OK);
  EXPECT_TRUE(IsEqualIID(attributes->guid, IID_IClientTray));
  info->ReleaseTypeAttr(attributes);
  Ptr<ITypeInfo> none;
  EXPECT_EQ(tray->GetTypeInfo(1, 0, &none.p), DISP_E_BADINDEX);

  DISPID id = DISPID_UNKNOWN;
  LPOLESTR name[] = {const_cast<LPOLESTR>(L"SetStatus")};
  ASSERT_EQ(tray->GetIDsOfNames(IID_NULL, name, 1, 0, &id), S_OK);
  EXPECT_EQ(id, 3);
  VARIANT word;
  ::VariantInit(&word);
  V_VT(&word) = VT_BSTR;
  V_BSTR(&word) = ::SysAllocString(L"not a number");
  DISPPARAMS params{&word, nullptr, 1, 0};
  UINT bad = 0;
  EXPECT_EQ(tray->Invoke(id, IID_NULL, 0, DISPATCH_METHOD, &params, nullptr, nullptr, &bad),
            DISP_E_TYPEMISMATCH);
  ::VariantClear(&word);
  V_VT(&word) = VT_BSTR;
  V_BSTR(&word) = ::SysAllocString(L"12");
  EXPECT_EQ(tray->Invoke(id, IID_NULL, 0, DISPATCH_METHOD, &params, nullptr, nullptr, &bad), S_OK);
  EXPECT_EQ(tray->Invoke(id, IID_IDispatch, 0, DISPATCH_METHOD, &params, nullptr, nullptr, &bad),
            DISP_E_UNKNOWNINTERFACE);
  ::VariantClear(&word);
}

// One point for the events, any number of sinks, each cookie good for one Unadvise.
TEST(ClientTrayServer, OffersOneEventPointForAnyNumberOfSinks) {
  Ptr<IConnectionPointContainer> container;
  ASSERT_EQ(ClientTrayClassObject()->CreateInstance(nullptr, IID_IConnectionPointContainer,
                                                    container.out()),
            S_OK);
  Ptr<IConnectionPoint> point;
  ASSERT_EQ(container->FindConnectionPoint(DIID_IClientTrayEvents, &point.p), S_OK);
  Ptr<IConnectionPoint> none;
  EXPECT_EQ(container->FindConnectionPoint(IID_IDispatch, &none.p), CONNECT_E_NOCONNECTION);
  IID iid{};
  EXPECT_EQ(point->GetConnectionInterface(&iid), S_OK);
  EXPECT_TRUE(IsEqualIID(iid, DIID_IClientTrayEvents));

  Ptr<IDispatch> sink;  // another tray object serves as a dispatch sink
  ASSERT_EQ(ClientTrayClassObject()->CreateInstance(nullptr, IID_IDispatch, sink.out()), S_OK);
  DWORD first = 0, second = 0;
  ASSERT_EQ(point->Advise(sink.p, &first), S_OK);
  ASSERT_EQ(point->Advise(sink.p, &second), S_OK);
  EXPECT_NE(first, second);
  EXPECT_EQ(point->Unadvise(first), S_OK);
  EXPECT_EQ(point->Unadvise(first), CONNECT_E_NOCONNECTION);
  EXPECT_EQ(point->Unadvise(second), S_OK);
}

TEST(ClientTrayServer, ClassObjectRefusesAggregationAndUnknownInterfaces) {
  IClassFactory* factory = ClientTrayClassObject();
  Ptr<IUnknown> object;
  Ptr<IDispatch> outer;
  ASSERT_EQ(factory->CreateInstance(nullptr, IID_IDispatch, outer.out()), S_OK);
  EXPECT_EQ(factory->CreateInstance(outer.p, IID_IUnknown, object.out()), CLASS_E_NOAGGREGATION);
  EXPECT_EQ(object.p, nullptr);
  EXPECT_EQ(factory->CreateInstance(nullptr, IID_IClassFactory, object.out()), E_NOINTERFACE);
  EXPECT_EQ(object.p, nullptr);
}

std::wstring OwnPath() {
  wchar_t path[MAX_PATH] = {};
  ::GetModuleFileNameW(nullptr, path, MAX_PATH);
  return path;
}

// The product beside the test programs' directory (build/tests/wine/ -> build/), when built.
std::wstring ProductPath() {
  std::wstring own = OwnPath();
  for (int up = 0; up < 3; ++up) own = own.substr(0, own.find_last_of(L'\\'));
  std::wstring product = own + L"\\ZephquillClient.exe";
  return ::GetFileAttributesW(product.c_str()) == INVALID_FILE_ATTRIBUTES ? std::wstring()
                                                                          : product;
}

std::wstring NameOf(ITypeInfo& info, MEMBERID member) {
  BSTR name = nullptr;
  if (FAILED(info.GetDocumentation(member, &name, nullptr, nullptr, nullptr))) return L"";
  std::wstring text = name ? name : L"";
  ::SysFreeString(name);
  return text;
}

// The library as widl compiled it from automation/ClientLib.idl and the resource compiler
// embedded it (TYPELIB 1), read without registering anything.
void ExpectClientLib(const std::wstring& module) {
  SCOPED_TRACE(std::string(module.begin(), module.end()));
  Ptr<ITypeLib> library;
  ASSERT_EQ(::LoadTypeLibEx(module.c_str(), REGKIND_NONE, &library.p), S_OK);
  TLIBATTR* lib = nullptr;
  ASSERT_EQ(library->GetLibAttr(&lib), S_OK);
  const GUID libId = {0x8e4d2c1b, 0x6a5f, 0x4b3e, {0x8d, 0x7c, 0x9a, 0x0b, 0x1c, 0x2d, 0x3e, 0x4f}};
  EXPECT_TRUE(IsEqualGUID(lib->guid, libId));
  EXPECT_EQ(lib->wMajorVerNum, 1);
  EXPECT_EQ(lib->wMinorVerNum, 0);
  library->ReleaseTLibAttr(lib);
  BSTR libName = nullptr;
  ASSERT_EQ(library->GetDocumentation(-1, &libName, nullptr, nullptr, nullptr), S_OK);
  EXPECT_STREQ(libName, L"ClientLib");
  ::SysFreeString(libName);

  // IClientTray: dual, its vtable part holding the five methods in slot order.
  Ptr<ITypeInfo> dispatch;
  ASSERT_EQ(library->GetTypeInfoOfGuid(IID_IClientTray, &dispatch.p), S_OK);
  TYPEATTR* attributes = nullptr;
  ASSERT_EQ(dispatch->GetTypeAttr(&attributes), S_OK);
  EXPECT_TRUE(attributes->wTypeFlags & TYPEFLAG_FDUAL);
  dispatch->ReleaseTypeAttr(attributes);
  EXPECT_EQ(NameOf(*dispatch.p, MEMBERID_NIL), L"IClientTray");
  HREFTYPE vtable = 0;
  ASSERT_EQ(dispatch->GetRefTypeOfImplType(-1, &vtable), S_OK);
  Ptr<ITypeInfo> slots;
  ASSERT_EQ(dispatch->GetRefTypeInfo(vtable, &slots.p), S_OK);
  ASSERT_EQ(slots->GetTypeAttr(&attributes), S_OK);
  EXPECT_EQ(attributes->typekind, TKIND_INTERFACE);
  ASSERT_EQ(attributes->cFuncs, kClientTrayMethods);
  slots->ReleaseTypeAttr(attributes);
  const struct {
    const wchar_t* name;
    SHORT params;
  } expected[kClientTrayMethods] = {{L"ShowPage", 2},
                                    {L"ShowNotification", 1},
                                    {L"SetStatus", 1},
                                    {L"OpenAddress", 1},
                                    {L"SetOption", 2}};
  for (UINT i = 0; i < kClientTrayMethods; ++i) {
    FUNCDESC* function = nullptr;
    ASSERT_EQ(slots->GetFuncDesc(i, &function), S_OK);
    EXPECT_EQ(function->memid, static_cast<MEMBERID>(i + 1));
    EXPECT_EQ(function->cParams, expected[i].params) << i;
    EXPECT_EQ(function->invkind, INVOKE_FUNC);
    // 7 slots of IUnknown and IDispatch come first.
    EXPECT_EQ(function->oVft, static_cast<SHORT>((7 + i) * sizeof(void*)));
    EXPECT_EQ(NameOf(*slots.p, function->memid), expected[i].name);
    slots->ReleaseFuncDesc(function);
  }

  // The event interface, without events, and the class with both.
  Ptr<ITypeInfo> events;
  ASSERT_EQ(library->GetTypeInfoOfGuid(DIID_IClientTrayEvents, &events.p), S_OK);
  ASSERT_EQ(events->GetTypeAttr(&attributes), S_OK);
  EXPECT_EQ(attributes->typekind, TKIND_DISPATCH);
  EXPECT_EQ(attributes->cFuncs, 0);
  events->ReleaseTypeAttr(attributes);
  EXPECT_EQ(NameOf(*events.p, MEMBERID_NIL), L"_IClientTrayEvents");
  Ptr<ITypeInfo> coclass;
  ASSERT_EQ(library->GetTypeInfoOfGuid(CLSID_ClientTray, &coclass.p), S_OK);
  ASSERT_EQ(coclass->GetTypeAttr(&attributes), S_OK);
  EXPECT_EQ(attributes->typekind, TKIND_COCLASS);
  EXPECT_EQ(attributes->cImplTypes, 2);
  coclass->ReleaseTypeAttr(attributes);
  EXPECT_EQ(NameOf(*coclass.p, MEMBERID_NIL), L"ClientTray");
  INT flags = 0;
  ASSERT_EQ(coclass->GetImplTypeFlags(1, &flags), S_OK);
  EXPECT_EQ(flags, IMPLTYPEFLAG_FDEFAULT | IMPLTYPEFLAG_FSOURCE);
}

TEST(ClientLibTypeLibrary, IsEmbeddedInTheExecutables) {
  ExpectClientLib(OwnPath());  // the test program carries the client's resources
  std::wstring product = ProductPath();
  if (product.empty()) GTEST_SKIP() << "ZephquillClient.exe is not beside the tests";
  ExpectClientLib(product);
}

// The machine-wide registration's type-library step: written under TypeLib for the system kind of
// this build, and removed again by the unregistration.
TEST(ClientLibTypeLibrary, RegistrationWritesAndRemovesTheTypeLibKey) {
  std::unique_ptr<Com> com = NewCom();
  const wchar_t key[] = L"TypeLib\\{8E4D2C1B-6A5F-4B3E-8D7C-9A0B1C2D3E4F}\\1.0";
  ASSERT_EQ(com->UpdateRegistration(true, false), S_OK);
  HKEY opened = nullptr;
  ASSERT_EQ(::RegOpenKeyExW(HKEY_CLASSES_ROOT, key, 0, KEY_READ, &opened), ERROR_SUCCESS);
  wchar_t path[MAX_PATH] = {};
  DWORD size = sizeof path;
  EXPECT_EQ(::RegGetValueW(opened, sizeof(void*) == 8 ? L"0\\win64" : L"0\\win32", nullptr,
                           RRF_RT_REG_SZ, nullptr, path, &size),
            ERROR_SUCCESS);
  EXPECT_EQ(::lstrcmpiW(path, OwnPath().c_str()), 0);
  ::RegCloseKey(opened);
  // The interface is now marshalled by the type library across processes.
  std::wstring interfaceKey = L"Interface\\{0B7E5A41-9F26-4C3D-8E1A-5D2C6B9F7E20}";
  EXPECT_EQ(::RegOpenKeyExW(HKEY_CLASSES_ROOT, interfaceKey.c_str(), 0, KEY_READ, &opened),
            ERROR_SUCCESS);
  if (opened) ::RegCloseKey(opened);

  EXPECT_EQ(com->UpdateRegistration(false, false), S_OK);
  opened = nullptr;
  EXPECT_NE(::RegOpenKeyExW(HKEY_CLASSES_ROOT, key, 0, KEY_READ, &opened), ERROR_SUCCESS);
  if (opened) ::RegCloseKey(opened);
}

}  // namespace
}  // namespace zq::win32::test
