// Linked only into ZephquillClientTest.exe, the client that the end-to-end tests drive:
// its web controls accept addresses from the tests, as a page's script would navigate, and
// a test may name a browser window for the client to follow.
#include "app/ClientApp.h"
#include "controller/ClientDlg.h"
#include "controller/browser/BrowserDetection.h"
#include "platform/win32/win32_backend.h"

namespace {

struct AcceptTestNavigations {
  AcceptTestNavigations() { zq::win32::acceptTestNavigations = true; }
} accept;

// Follow requests. UI Automation, through which the client reads the address of today's
// browsers, does not work under this Wine, so a test hands the client "follow window W at
// address A" instead: WM_COPYDATA tagged kFollowTag with "W in hex\nA" (UTF-16), sent to any
// window of the client's main thread. The request then takes the tick's own path after
// detection (CClientDlg::FollowBrowser) with the hosting of a Chromium window. The product
// never learns an address this way: only its detectors read addresses.
constexpr ULONG_PTR kFollowTag = 0x5A51464C;  // 'ZQFL'
zq::ActiveBrowserInfo pendingFollow;

void CALLBACK FollowNow(HWND, UINT, UINT_PTR timer, DWORD) {
  ::KillTimer(nullptr, timer);
  zq::CClientApp* app = zq::App();
  if (app && app->Controller) app->Controller->FollowBrowser(pendingFollow);
}

// Sees the request before the window does; the follow itself runs from the thread's loop.
LRESULT CALLBACK OnSentMessage(int code, WPARAM wp, LPARAM lp) {
  const auto* call = reinterpret_cast<const CWPSTRUCT*>(lp);
  if (code == HC_ACTION && call->message == WM_COPYDATA) {
    const auto* data = reinterpret_cast<const COPYDATASTRUCT*>(call->lParam);
    if (data && data->dwData == kFollowTag && data->lpData && data->cbData % 2 == 0) {
      std::wstring text(static_cast<const wchar_t*>(data->lpData), data->cbData / 2);
      size_t split = text.find(L'\n');
      if (split != std::wstring::npos) {
        pendingFollow.window = std::wcstoull(text.substr(0, split).c_str(), nullptr, 16);
        pendingFollow.url = text.substr(split + 1);
        pendingFollow.hosting = zq::PanelHosting::OwnedPopup;
        ::SetTimer(nullptr, 0, 0, FollowNow);
      }
    }
  }
  return ::CallNextHookEx(nullptr, code, wp, lp);
}

struct AcceptFollowRequests {
  // Static initialisation runs on the main thread, which becomes the controller's.
  AcceptFollowRequests() {
    ::SetWindowsHookExW(WH_CALLWNDPROC, OnSentMessage, nullptr, ::GetCurrentThreadId());
  }
} follow;

}  // namespace
