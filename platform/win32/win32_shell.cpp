// The shell on Windows: the notification-area icon in the shell's first record version,
// opening addresses in the default browser, taskbar buttons and the taskbar's place.
// The backend header brings <windows.h>, which the shell headers need first.
#include "platform/win32/win32_backend.h"

#include <shellapi.h>
#include <shobjidl.h>

namespace zq::win32 {

namespace {

#ifdef _WIN64
static_assert(NOTIFYICONDATAW_V1_SIZE == 168, "first record version, 64-bit layout");
#else
static_assert(NOTIFYICONDATAW_V1_SIZE == 152, "first record version, 32-bit layout");
#endif

Rect FromRect(const RECT& r) { return Rect{r.left, r.top, r.right, r.bottom}; }

class Win32Shell : public Shell {
 public:
  bool NotifyIcon(unsigned action, const NotifyIconData& data) override {
    DWORD message;
    switch (action) {
      case nim::Add:
        message = NIM_ADD;
        break;
      case nim::Modify:
        message = NIM_MODIFY;
        break;
      case nim::Delete:
        message = NIM_DELETE;
        break;
      default:
        return false;
    }
    NOTIFYICONDATAW record{};
    record.cbSize = NOTIFYICONDATAW_V1_SIZE;
    record.hWnd = ToHwnd(data.window);
    record.uID = data.id;
    record.uFlags = data.flags;
    record.uCallbackMessage = data.callbackMessage;
    record.hIcon = reinterpret_cast<HICON>(data.icon);
    ::lstrcpynW(record.szTip, data.tip.c_str(), 64);  // at most 63 units, terminated
    return ::Shell_NotifyIconW(message, &record) != FALSE;
  }

  bool Open(const std::wstring& address) override {
    auto result = reinterpret_cast<INT_PTR>(
        ::ShellExecuteW(nullptr, L"open", address.c_str(), nullptr, nullptr, SW_SHOWNORMAL));
    return result > 32;
  }

  // The calling thread's component runtime must be initialised (the controller's is).
  bool RemoveTaskbarButton(WindowHandle window) override {
    ITaskbarList* list = nullptr;
    if (FAILED(
            TraceResult("CoCreateInstance(TaskbarList)",
                        ::CoCreateInstance(CLSID_TaskbarList, nullptr, CLSCTX_INPROC_SERVER,
                                           IID_ITaskbarList, reinterpret_cast<void**>(&list)))) ||
        !list)
      return false;
    bool ok = RemoveTab(*list, ToHwnd(window));
    list->Release();
    return ok;
  }

  // Where the shell says the taskbar is; without an answer, the strip that the work area
  // leaves free at the bottom of the screen (empty height when there is none).
  Rect TaskbarRect() override {
    APPBARDATA bar{};
    bar.cbSize = sizeof bar;
    if (::SHAppBarMessage(ABM_GETTASKBARPOS, &bar) && !::IsRectEmpty(&bar.rc))
      return FromRect(bar.rc);
    int width = ::GetSystemMetrics(SM_CXSCREEN), height = ::GetSystemMetrics(SM_CYSCREEN);
    RECT work{};
    if (!::SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0)) work.bottom = height;
    return Rect{0, static_cast<int>(work.bottom), width, height};
  }

  Rect TrayRect() override {
    HWND taskbar = ::FindWindowW(L"Shell_TrayWnd", nullptr);
    HWND tray = taskbar ? ::FindWindowExW(taskbar, nullptr, L"TrayNotifyWnd", nullptr) : nullptr;
    RECT r{};
    if (!tray || !::GetWindowRect(tray, &r)) return Rect{};
    return FromRect(r);
  }
};

}  // namespace

// The button is activated first, as the shell wants, and deleted only when that worked.
bool RemoveTab(ITaskbarList& list, HWND window) {
  return SUCCEEDED(TraceResult("ITaskbarList::HrInit", list.HrInit())) &&
         SUCCEEDED(TraceResult("ITaskbarList::ActivateTab", list.ActivateTab(window))) &&
         SUCCEEDED(TraceResult("ITaskbarList::DeleteTab", list.DeleteTab(window)));
}

std::unique_ptr<Shell> NewShell() { return std::make_unique<Win32Shell>(); }

}  // namespace zq::win32
