// What a bare follower of the foreground browser does, for the Wine measurements: the
// foreground window's class and title, and Firefox's address asked over DDE.
#pragma once
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#include <ddeml.h>

#include <cstddef>

namespace zqbench {

inline HDDEDATA CALLBACK NoTransactions(UINT, UINT, HCONV, HSZ, HSZ, HDDEDATA, ULONG_PTR,
                                        ULONG_PTR) {
  return nullptr;
}

// One DDE client instance for all requests: the least that asking Firefox can cost.
struct BareCalls {
  DWORD instance = 0;
  HSZ service = nullptr, topic = nullptr, item = nullptr;
  BareCalls() {
    if (::DdeInitializeW(&instance, NoTransactions, APPCMD_CLIENTONLY, 0) != DMLERR_NO_ERROR)
      instance = 0;
    service = ::DdeCreateStringHandleW(instance, L"Firefox", CP_WINUNICODE);
    topic = ::DdeCreateStringHandleW(instance, L"WWW_GetWindowInfo", CP_WINUNICODE);
    item = ::DdeCreateStringHandleW(instance, L"0xFFFFFFFF,sURL,sTitle", CP_WINUNICODE);
  }
  ~BareCalls() {
    if (instance) ::DdeUninitialize(instance);
  }
  BareCalls(const BareCalls&) = delete;
  BareCalls& operator=(const BareCalls&) = delete;
  // Connect, one request, disconnect; the answer's length.
  size_t Request() {
    HCONV conversation = ::DdeConnect(instance, service, topic, nullptr);
    if (!conversation) return 0;
    DWORD result = 0, size = 0;
    HDDEDATA data = ::DdeClientTransaction(nullptr, 0, conversation, item, CF_TEXT, XTYP_REQUEST,
                                           5000, &result);
    if (data) {
      size = ::DdeGetData(data, nullptr, 0, 0);
      ::DdeFreeDataHandle(data);
    }
    ::DdeDisconnect(conversation);
    return size;
  }
  // The foreground window, its class and its title.
  size_t Window() {
    HWND front = ::GetForegroundWindow();
    wchar_t name[256], title[1024];
    return static_cast<size_t>(::GetClassNameW(front, name, 256)) +
           static_cast<size_t>(::GetWindowTextW(front, title, 1024));
  }
};

}  // namespace zqbench
