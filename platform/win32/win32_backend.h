// The Windows backend's parts as seen from the platform object and the backend's tests:
// one factory per seam, and the conversions between portable data and system objects.
#pragma once
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "platform/win32/win32_handles.h"

struct ITaskbarList;

namespace zq::win32 {

// Factories of the seam's parts. `module` is the executable whose resources are used;
// `platform` is what threads started through the seam bind themselves to.
std::unique_ptr<Windows> NewWindows(HINSTANCE module);
std::unique_ptr<Clock> NewClock();
std::unique_ptr<Threads> NewThreads(Platform& platform);
std::unique_ptr<Profile> NewProfile();
std::unique_ptr<Registry> NewRegistry();
std::unique_ptr<Processes> NewProcesses();
std::unique_ptr<Mutexes> NewMutexes();
std::unique_ptr<Resources> NewResources(HINSTANCE module);
std::unique_ptr<Shell> NewShell();
std::unique_ptr<System> NewSystem();
std::unique_ptr<Com> NewCom();
std::unique_ptr<Dde> NewDde();
std::unique_ptr<ShellWindows> NewShellWindows();
std::unique_ptr<WebControls> NewWebControls();
// Set only by the client's test build: web controls then accept an address to navigate to
// from another program (WM_COPYDATA tagged kTestNavigationTag, UTF-16 text).
extern bool acceptTestNavigations;
constexpr ULONG_PTR kTestNavigationTag = 0x5A514E56;
std::unique_ptr<IEApplications> NewIEApplications();
std::unique_ptr<Accessibility> NewAccessibility();
std::unique_ptr<Internet> NewInternet();
std::unique_ptr<WindowEvents> NewWindowEvents();

// Failed system calls at the backend's boundary: TraceLastError writes the call's name,
// GetLastError() and the system's text to the debugger's output and leaves the last error
// as it was; TraceResult does the same for a failed component result and returns it.
void TraceLastError(const char* call);
HRESULT TraceResult(const char* call, HRESULT result);

// Removes a window's taskbar button: HrInit, ActivateTab, then DeleteTab; true when all
// three succeeded.
bool RemoveTab(ITaskbarList& list, HWND window);

// Menus: a popup menu built from portable items (grey, check and default marks included),
// and the portable form of a loaded menu bar or popup.
UniqueMenu BuildPopupMenu(const Menu& items);
Menu ReadMenu(HMENU menu);

// Pictures: a device-independent bitmap with the pixels of `picture`, the pixels of a
// bitmap handle, and a window region united from rectangles (null for an empty list).
UniqueBitmap MakeDib(const Bitmap& picture);
std::optional<Bitmap> ReadBitmap(HBITMAP bitmap);
UniqueRegion MakeRegion(const std::vector<Rect>& rects);

}  // namespace zq::win32
