// The automation server's objects, made in-process from its class object: the five methods
// through their slots and through dispatch by name, the events' connection point, and what
// the class object refuses.
#include <ocidl.h>
#include <olectl.h>

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
  VARIANT args[2];
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

  const struct { const wchar_t* name; UINT argc; } methods[] = {
      {L"ShowPage", 2}, {L"shownotification", 1}, {L"SetStatus", 1}, {L"OpenAddress", 1},
      {L"SetOption", 2}};
  for (const auto& m : methods) EXPECT_EQ(CallByName(*tray.p, m.name, m.argc), S_OK) << m.argc;
  EXPECT_EQ(CallByName(*tray.p, L"ShowPage", 1), DISP_E_BADPARAMCOUNT);
  EXPECT_EQ(CallByName(*tray.p, L"Explode", 0), DISP_E_UNKNOWNNAME);
}

// One point for the events, any number of sinks, each cookie good for one Unadvise.
TEST(ClientTrayServer, OffersOneEventPointForAnyNumberOfSinks) {
  Ptr<IConnectionPointContainer> container;
  ASSERT_EQ(ClientTrayClassObject()->CreateInstance(nullptr, IID_IConnectionPointContainer,
                                                    container.out()), S_OK);
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

}  // namespace
}  // namespace zq::win32::test
