// The automation server's objects, made in-process: dispatch, the events' connection point,
// what the class object refuses, and the embedded type library.
#include <ocidl.h>
#include <olectl.h>

#include <string>
#include <tuple>
#include <utility>

#include "platform/win32/win32_com_server.h"
#include "tests/wine/dispatch_call.h"
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

template <class I>
HRESULT Make(REFIID iid, Ptr<I>& object, IUnknown* outer = nullptr) {
  return ClientTrayClassObject()->CreateInstance(outer, iid, object.out());
}

std::pair<std::wstring, TYPEATTR> Describe(ITypeInfo& info) {
  BSTR name = nullptr;
  info.GetDocumentation(MEMBERID_NIL, &name, nullptr, nullptr, nullptr);
  std::wstring text = name ? name : L"";
  ::SysFreeString(name);
  TYPEATTR* attributes = nullptr;
  TYPEATTR copy{};
  if (SUCCEEDED(info.GetTypeAttr(&attributes))) {
    copy = *attributes;
    info.ReleaseTypeAttr(attributes);
  }
  return {text, copy};
}

// Dispatch by name ignores case and converts arguments or refuses them through the type
// library (each method's success: zqe2e's com_server); wrong calls and interfaces refused.
TEST(ClientTrayServer, MethodsThroughSlotsAndDispatch) {
  Ptr<IClientTray> tray;
  ASSERT_EQ(Make(IID_IClientTray, tray), S_OK);
  VARIANT word;
  ::VariantInit(&word);
  V_VT(&word) = VT_BSTR;
  V_BSTR(&word) = ::SysAllocString(L"not a number");
  VARIANT number = word;
  V_BSTR(&number) = ::SysAllocString(L"12");
  const struct {
    const wchar_t* name;
    UINT argc;
    const VARIANT* arg;
    HRESULT expected;
  } calls[] = {{L"shownotification", 1, nullptr, S_OK},
               {L"SetStatus", 1, &number, S_OK},
               {L"SetStatus", 1, &word, DISP_E_TYPEMISMATCH},
               {L"ShowPage", 1, nullptr, DISP_E_BADPARAMCOUNT},
               {L"ShowPage", 3, nullptr, DISP_E_BADPARAMCOUNT},
               {L"Explode", 0, nullptr, DISP_E_UNKNOWNNAME}};
  for (const auto& c : calls)
    EXPECT_EQ(CallByName(*tray.p, c.name, c.argc, c.arg), c.expected) << c.argc;
  ::VariantClear(&word);
  ::VariantClear(&number);

  Ptr<IDispatch> dispatch;
  ASSERT_EQ(Make(IID_IDispatch, dispatch), S_OK);
  Ptr<ITypeInfo> info, past;
  ASSERT_EQ(dispatch->GetTypeInfo(0, 0, &info.p), S_OK);
  EXPECT_TRUE(IsEqualIID(Describe(*info.p).second.guid, IID_IClientTray));
  EXPECT_EQ(dispatch->GetTypeInfo(1, 0, &past.p), DISP_E_BADINDEX);
  DISPPARAMS none{nullptr, nullptr, 0, 0};
  EXPECT_EQ(
      dispatch->Invoke(3, IID_IDispatch, 0, DISPATCH_METHOD, &none, nullptr, nullptr, nullptr),
      DISP_E_UNKNOWNINTERFACE);
  Ptr<IUnknown> refused;
  EXPECT_EQ(Make(IID_IUnknown, refused, dispatch.p), CLASS_E_NOAGGREGATION);
  EXPECT_EQ(Make(IID_IClassFactory, refused), E_NOINTERFACE);
  EXPECT_EQ(refused.p, nullptr);
}

// One point for the events, any number of sinks, each cookie good for one Unadvise.
TEST(ClientTrayServer, OffersOneEventPointForAnyNumberOfSinks) {
  Ptr<IConnectionPointContainer> container;
  ASSERT_EQ(Make(IID_IConnectionPointContainer, container), S_OK);
  Ptr<IConnectionPoint> point, none;
  ASSERT_EQ(container->FindConnectionPoint(DIID_IClientTrayEvents, &point.p), S_OK);
  EXPECT_EQ(container->FindConnectionPoint(IID_IDispatch, &none.p), CONNECT_E_NOCONNECTION);
  IID iid{};
  EXPECT_EQ(point->GetConnectionInterface(&iid), S_OK);
  EXPECT_TRUE(IsEqualIID(iid, DIID_IClientTrayEvents));

  Ptr<IDispatch> sink;  // another tray object serves as a dispatch sink
  ASSERT_EQ(Make(IID_IDispatch, sink), S_OK);
  DWORD first = 0, second = 0;
  ASSERT_EQ(point->Advise(sink.p, &first), S_OK);
  ASSERT_EQ(point->Advise(sink.p, &second), S_OK);
  EXPECT_NE(first, second);
  EXPECT_EQ(point->Unadvise(first), S_OK);
  EXPECT_EQ(point->Unadvise(first), CONNECT_E_NOCONNECTION);
  EXPECT_EQ(point->Unadvise(second), S_OK);
}

std::wstring OwnPath() {
  wchar_t path[MAX_PATH] = {};
  ::GetModuleFileNameW(nullptr, path, MAX_PATH);
  return path;
}

// The library embedded (TYPELIB 1) in the test program, which carries the client's
// resources: the dual IClientTray with the five methods in the slots of the hand-written
// interface, the event interface without events, and the class with both.
TEST(ClientLibTypeLibrary, IsEmbeddedInTheExecutable) {
  Ptr<ITypeLib> library;
  ASSERT_EQ(::LoadTypeLibEx(OwnPath().c_str(), REGKIND_NONE, &library.p), S_OK);
  Ptr<ITypeInfo> dispatch, slots, events, coclass;
  ASSERT_EQ(library->GetTypeInfoOfGuid(IID_IClientTray, &dispatch.p), S_OK);
  auto [name, attributes] = Describe(*dispatch.p);
  EXPECT_EQ(name, L"IClientTray");
  EXPECT_TRUE(attributes.wTypeFlags & TYPEFLAG_FDUAL);
  HREFTYPE vtable = 0;
  ASSERT_EQ(dispatch->GetRefTypeOfImplType(-1, &vtable), S_OK);
  ASSERT_EQ(dispatch->GetRefTypeInfo(vtable, &slots.p), S_OK);
  attributes = Describe(*slots.p).second;
  EXPECT_EQ(attributes.typekind, TKIND_INTERFACE);
  ASSERT_EQ(attributes.cFuncs, kClientTrayMethods);
  for (UINT i = 0; i < kClientTrayMethods; ++i) {
    FUNCDESC* function = nullptr;
    ASSERT_EQ(slots->GetFuncDesc(i, &function), S_OK);
    EXPECT_EQ(function->memid, static_cast<MEMBERID>(i + 1));
    EXPECT_EQ(function->cParams, static_cast<SHORT>(kClientTrayMethodShapes[i].argc)) << i;
    EXPECT_EQ(function->invkind, INVOKE_FUNC);
    EXPECT_EQ(function->oVft, static_cast<SHORT>((7 + i) * sizeof(void*)));
    BSTR method = nullptr;
    slots->GetDocumentation(function->memid, &method, nullptr, nullptr, nullptr);
    EXPECT_STREQ(method, kClientTrayMethodShapes[i].name);
    ::SysFreeString(method);
    slots->ReleaseFuncDesc(function);
  }

  ASSERT_EQ(library->GetTypeInfoOfGuid(DIID_IClientTrayEvents, &events.p), S_OK);
  std::tie(name, attributes) = Describe(*events.p);
  EXPECT_EQ(name, L"_IClientTrayEvents");
  EXPECT_EQ(attributes.typekind, TKIND_DISPATCH);
  EXPECT_EQ(attributes.cFuncs, 0);
  ASSERT_EQ(library->GetTypeInfoOfGuid(CLSID_ClientTray, &coclass.p), S_OK);
  std::tie(name, attributes) = Describe(*coclass.p);
  EXPECT_EQ(name, L"ClientTray");
  EXPECT_EQ(attributes.typekind, TKIND_COCLASS);
  EXPECT_EQ(attributes.cImplTypes, 2);
  INT flags = 0;
  ASSERT_EQ(coclass->GetImplTypeFlags(1, &flags), S_OK);
  EXPECT_EQ(flags, IMPLTYPEFLAG_FDEFAULT | IMPLTYPEFLAG_FSOURCE);
}

// The machine-wide registration writes the library and its interface; unregistering removes it.
TEST(ClientLibTypeLibrary, RegistrationWritesAndRemovesTheTypeLibKey) {
  std::unique_ptr<Com> com = NewCom();
  const std::wstring key = L"TypeLib\\{8E4D2C1B-6A5F-4B3E-8D7C-9A0B1C2D3E4F}\\1.0";
  auto exists = [](const std::wstring& subKey) {
    HKEY opened = nullptr;
    bool found = ::RegOpenKeyExW(HKEY_CLASSES_ROOT, subKey.c_str(), 0, KEY_READ, &opened) == 0;
    if (opened) ::RegCloseKey(opened);
    return found;
  };
  ASSERT_EQ(com->UpdateRegistration(true, false), S_OK);
  wchar_t path[MAX_PATH] = {};
  DWORD size = sizeof path;
  const std::wstring kind = sizeof(void*) == 8 ? L"\\0\\win64" : L"\\0\\win32";
  EXPECT_EQ(::RegGetValueW(HKEY_CLASSES_ROOT, (key + kind).c_str(), nullptr, RRF_RT_REG_SZ, nullptr,
                           path, &size),
            ERROR_SUCCESS);
  EXPECT_EQ(::lstrcmpiW(path, OwnPath().c_str()), 0);
  EXPECT_TRUE(exists(L"Interface\\{0B7E5A41-9F26-4C3D-8E1A-5D2C6B9F7E20}"));
  EXPECT_EQ(com->UpdateRegistration(false, false), S_OK);
  EXPECT_FALSE(exists(key));
}

}  // namespace
}  // namespace zq::win32::test
