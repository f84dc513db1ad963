// The bounded creation behind Internet Explorer application objects.
#include <exdisp.h>
#include <shobjidl.h>

#include "fakefox_process.h"
#include "platform/win32/win32_ie_app.h"
#include "winunit_fixture.h"

namespace zq::win32::test {
namespace {

void InitializeCom() {
  static const HRESULT com = ::CoInitialize(nullptr);
  ASSERT_TRUE(SUCCEEDED(com));
}

// Generous: the bound is what is checked, not the speed.
constexpr ULONGLONG kSlackMs = 10000;

// An object made on the worker is usable from the caller's apartment, which holds the last
// reference; the server's failure and bad arguments come back as they are.
TEST(BoundedCreator, HandsTheObjectToTheCallersApartmentOrTheFailure) {
  InitializeCom();
  BoundedCreator creator(20000);
  for (int round = 0; round < 3; ++round) {
    IUnknown* object = nullptr;
    ASSERT_EQ(creator.Create(CLSID_ShellLink, IID_IUnknown, reinterpret_cast<void**>(&object)),
              S_OK);
    IUnknown* again = nullptr;
    EXPECT_EQ(object->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&again)), S_OK);
    if (again) again->Release();
    object->Release();
  }
  const CLSID unknown = {0x5a514e56, 0x0000, 0x4000, {0x80, 0, 0, 0, 0, 0, 0, 0x01}};
  void* object = reinterpret_cast<void*>(1);
  EXPECT_EQ(creator.Create(unknown, IID_IUnknown, &object), REGDB_E_CLASSNOTREG);
  EXPECT_EQ(object, nullptr);
  EXPECT_EQ(creator.Create(CLSID_ShellLink, IID_IUnknown, nullptr), E_POINTER);
}

// A server that never registers its class: abandoned at the limit, the next call fails at once.
TEST(BoundedCreator, AbandonsAServerThatNeverAnswers) {
  InitializeCom();
  const CLSID silent = {0x5a514e56, 0x0000, 0x4000, {0x80, 0, 0, 0, 0, 0, 0, 0x02}};
  SilentServer server(L"CLSID\\{5A514E56-0000-4000-8000-000000000002}");
  constexpr unsigned kLimitMs = 2000;
  BoundedCreator creator(kLimitMs);
  void* object = reinterpret_cast<void*>(1);
  ULONGLONG start = ::GetTickCount64();
  HRESULT first = creator.Create(silent, IID_IUnknown, &object);
  ULONGLONG firstMs = ::GetTickCount64() - start;
  start = ::GetTickCount64();
  HRESULT second = creator.Create(silent, IID_IUnknown, &object);
  ULONGLONG secondMs = ::GetTickCount64() - start;

  EXPECT_EQ(first, kCreationTimedOut);
  EXPECT_GE(firstMs, kLimitMs - 100);
  EXPECT_LT(firstMs, kLimitMs + kSlackMs);
  EXPECT_EQ(object, nullptr);
  EXPECT_EQ(second, kCreationTimedOut);
  EXPECT_LT(secondMs, kLimitMs);  // no second wait
}

}  // namespace
}  // namespace zq::win32::test
