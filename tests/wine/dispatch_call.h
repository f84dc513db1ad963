// Calling an automation object's method by name, as a script does: shared by the automation
// server's backend tests and the end-to-end client of the running server.
#pragma once
#include <oaidl.h>

namespace zq::win32::test {

// The automation server's methods in slot order, with their argument counts.
struct MethodShape {
  const wchar_t* name;
  UINT argc;
};
constexpr MethodShape kClientTrayMethodShapes[] = {{L"ShowPage", 2},
                                                   {L"ShowNotification", 1},
                                                   {L"SetStatus", 1},
                                                   {L"OpenAddress", 1},
                                                   {L"SetOption", 2}};

// Invokes the method `name` with `argc` arguments, each a copy of `arg` (the number 1 when
// null): the failure of the name's look-up or of the call, or S_OK.
inline HRESULT CallByName(IDispatch& object, const wchar_t* name, UINT argc,
                          const VARIANT* arg = nullptr) {
  DISPID id = DISPID_UNKNOWN;
  LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
  HRESULT result = object.GetIDsOfNames(IID_NULL, names, 1, 0, &id);
  if (FAILED(result)) return result;
  VARIANT args[3];
  for (VARIANT& a : args) {
    ::VariantInit(&a);
    V_VT(&a) = VT_I4;
    V_I4(&a) = 1;
    if (arg) ::VariantCopy(&a, const_cast<VARIANT*>(arg));
  }
  DISPPARAMS params{args, nullptr, argc, 0};
  result = object.Invoke(id, IID_NULL, 0, DISPATCH_METHOD, &params, nullptr, nullptr, nullptr);
  for (VARIANT& a : args) ::VariantClear(&a);
  return result;
}

}  // namespace zq::win32::test
