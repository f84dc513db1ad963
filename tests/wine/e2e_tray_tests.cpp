// End-to-end tests of the tray icon's status window and of the notifier popup, driven through
// the test build's hidden notification window as the service's polling page would.
#include <cstdio>
#include <utility>
#include <vector>

#include "platform/win32/win32_backend.h"
#include "tests/wine/e2e_checks.h"

#include <shellapi.h>

namespace zq::e2e {
namespace {

constexpr int kSkinWidth = 204, kSkinHeight = 155;

HWND StatusWindow(DWORD pid, DWORD ms) { return WaitWindow(pid, L"#32770", kStatusTitle, ms); }

// A plain double click on the icon runs the default command; with Control and Alt held it
// opens the status window with its box. (A page's line in the box: the update tests; hiding
// and showing it again with its lines: connectivity.zqs; clearing and the box's limit:
// connectivity_test; an unknown command's line: dispatcher_words.zqs.)
void StatusWindowOpens(const std::wstring& exe) {
  Session client(TestClientOf(exe));
  ClientRun& run = client.run;
  HWND tray = TrayWindow(run);

  ::PostMessageW(tray, kTrayCallback, kTrayIconId, WM_LBUTTONDBLCLK);
  ::Sleep(1500);
  Check(StatusWindow(run.Pid(), 0) == nullptr,
        "a double click without Control and Alt does not open the status window");

  HWND status = nullptr;
  {
    HeldKeys keys(tray, {VK_CONTROL, VK_LCONTROL, VK_MENU, VK_LMENU});
    Check(keys.Attached(), "the test shares the client's input state");
    ::PostMessageW(tray, kTrayCallback, kTrayIconId, WM_LBUTTONDBLCLK);
    status = StatusWindow(run.Pid(), 5000);
  }
  Check(status != nullptr, "Control+Alt and a double click on the icon open the status window");
  Check(WaitFor([&] { return ::IsWindowVisible(status) != 0; }, 2000),
        "the status window is visible");
  HWND box = ::GetDlgItem(status, kStatusBox);
  Check(box != nullptr && ClassOf(box) == L"Edit", "the status window has its edit box 1001");
  client.Exit();
}

// The rectangle that the popup slides out of: the taskbar window's, else the one the shell
// reports, else the strip below the work area (as the client finds it).
RECT TaskbarArea() {
  RECT r{};
  if (HWND bar = ::FindWindowW(L"Shell_TrayWnd", nullptr))
    if (::GetWindowRect(bar, &r) && !::IsRectEmpty(&r)) return r;
  APPBARDATA data{};
  data.cbSize = sizeof data;
  if (::SHAppBarMessage(ABM_GETTASKBARPOS, &data) && !::IsRectEmpty(&data.rc)) return data.rc;
  RECT work{};
  ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
  return RECT{0, work.bottom, ::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN)};
}

bool WaitFullyShown(HWND popup, DWORD ms) {
  RECT r{};
  return WaitFor(
      [&] {
        return ::IsWindowVisible(popup) && ::GetWindowRect(popup, &r) &&
               r.right - r.left == kSkinWidth && r.bottom - r.top == kSkinHeight;
      },
      ms, 20);
}

// A notification sent through the hidden notification window slides the popup out of the
// taskbar at the bottom right; the whole screen is then saved beside the client as
// wine-startup.bmp (scripts/wine-tests.sh turns it into build/artifacts/wine-startup.png).
// (One showing per content identifier, and clicks: notifications.zqs.)
void NotificationScreenshot(const std::wstring& exe) {
  const std::wstring shot = DirectoryOf(exe) + L"\\wine-startup.bmp";
  ::DeleteFileW(shot.c_str());
  Session client(TestClientOf(exe));
  HWND popup = WaitWindow(client.run.Pid(), L"TaskbarNotifierClass", L"", 1000);
  Check(popup && !::IsWindowVisible(popup), "the popup is hidden before any notification");
  HWND control = client.Notifications();

  // The polling page's sequence: clear, the fields, then show with the stay time in ms.
  const Commands notification = {{L"clearnotifycontent", L"0"},
                                 {L"nextnotificationmsgtype", L"poke"},
                                 {L"nextnotificationmsg", L"Anna_wrote_about<nl>example.com"},
                                 {L"nextnotificationcontentid", L"4711"},
                                 {L"shownotificationmsg", L"30000"}};
  Check(SendUntil(
            control, notification, [&] { return WaitFullyShown(popup, 2000); }, 30000),
        "the popup slides out to the skin's full size");

  RECT bar = TaskbarArea(), shown{};
  ::GetWindowRect(popup, &shown);
  char where[160];
  std::snprintf(where, sizeof where, "popup (%ld,%ld)-(%ld,%ld), taskbar (%ld,%ld)-(%ld,%ld)",
                shown.left, shown.top, shown.right, shown.bottom, bar.left, bar.top, bar.right,
                bar.bottom);
  const int screenWidth = ::GetSystemMetrics(SM_CXSCREEN);
  Check(shown.bottom == bar.top && shown.right == bar.right - 20 && shown.right > screenWidth / 2,
        std::string("the popup stands on the taskbar at the bottom right: ") + where);
  ::Sleep(300);  // the last animation step's painting
  Check(SaveScreen(shot), "the screen is saved as " + Narrow(shot));

  client.Exit();
}

const TestRegistration kTrayTests[] = {
    {"status_window", StatusWindowOpens},
    {"notification_screenshot", NotificationScreenshot},
};

}  // namespace
}  // namespace zq::e2e
