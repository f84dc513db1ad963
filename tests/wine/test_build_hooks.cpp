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

// Follow requests, since this Wine's UI Automation gives no address: kFollowMessage with a
// window as wParam and a global atom naming its address as lParam takes the tick's path
// after detection (CClientDlg::FollowBrowser) as an owned pop-up.
constexpr UINT kFollowMessage = WM_APP + 0x5A3;
zq::ActiveBrowserInfo pendingFollow;

void CALLBACK FollowNow(HWND, UINT, UINT_PTR timer, DWORD) {
  ::KillTimer(nullptr, timer);
  zq::CClientApp* app = zq::App();
  if (app && app->Controller) app->Controller->FollowBrowser(pendingFollow);
}

// Takes the request out of the queue; the follow itself runs from the thread's loop.
LRESULT CALLBACK OnMessageTaken(int code, WPARAM removed, LPARAM lp) {
  auto* msg = reinterpret_cast<MSG*>(lp);
  if (code == HC_ACTION && removed == PM_REMOVE && msg->message == kFollowMessage) {
    wchar_t url[256] = {};
    const auto atom = static_cast<ATOM>(msg->lParam);
    if (::GlobalGetAtomNameW(atom, url, 256) > 0) {
      ::GlobalDeleteAtom(atom);
      pendingFollow = {static_cast<zq::WindowHandle>(msg->wParam), url,
                       zq::PanelHosting::OwnedPopup};
      ::SetTimer(nullptr, 0, 0, FollowNow);
    }
    msg->message = WM_NULL;
  }
  return ::CallNextHookEx(nullptr, code, removed, lp);
}

struct AcceptFollowRequests {
  // Static initialisation runs on the main thread, which becomes the controller's.
  AcceptFollowRequests() {
    ::SetWindowsHookExW(WH_GETMESSAGE, OnMessageTaken, nullptr, ::GetCurrentThreadId());
  }
} follow;

}  // namespace
