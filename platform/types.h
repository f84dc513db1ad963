// Basic value types shared by the client logic and every platform backend.
// Numbers keep the values of the Windows API so that logic and backends agree without OS headers.
#pragma once
#include <cstdint>
#include <string>

namespace zq {

using WindowHandle = std::uintptr_t;  // 0 means no window
using IconHandle = std::uintptr_t;    // 0 means no icon
using MutexHandle = std::uintptr_t;   // 0 means no mutex
using WParam = std::uintptr_t;
using LParam = std::intptr_t;
using LResult = std::intptr_t;
using HResult = std::int32_t;

struct Point {
  int x = 0;
  int y = 0;
  bool operator==(const Point& o) const { return x == o.x && y == o.y; }
};

struct Rect {
  int left = 0;
  int top = 0;
  int right = 0;
  int bottom = 0;
  int Width() const { return right - left; }
  int Height() const { return bottom - top; }
  bool IsEmpty() const { return right <= left || bottom <= top; }
  bool operator==(const Rect& o) const {
    return left == o.left && top == o.top && right == o.right && bottom == o.bottom;
  }
  bool operator!=(const Rect& o) const { return !(*this == o); }
};

// The record of WM_WINDOWPOSCHANGING and WM_WINDOWPOSCHANGED (lParam points to it).
struct WindowPos {
  std::uintptr_t window = 0;
  std::uintptr_t insertAfter = 0;
  int x = 0, y = 0, cx = 0, cy = 0;
  unsigned flags = 0;
};

// Calendar time in the local time zone.
struct LocalTime {
  int year = 1970, month = 1, day = 1, hour = 0, minute = 0, second = 0, dayOfWeek = 4;
};

// Window messages.
namespace wm {
constexpr unsigned Null = 0x0000, Create = 0x0001, Destroy = 0x0002, Move = 0x0003, Size = 0x0005,
                   Activate = 0x0006, SetFocus = 0x0007, KillFocus = 0x0008, Enable = 0x000A,
                   SetText = 0x000C, Paint = 0x000F, Close = 0x0010, Quit = 0x0012,
                   EraseBkgnd = 0x0014, ShowWindow = 0x0018, SetCursor = 0x0020,
                   IconEraseBkgnd = 0x0027, WindowPosChanging = 0x0046, WindowPosChanged = 0x0047,
                   Notify = 0x004E, SetIcon = 0x0080, NcCreate = 0x0081, NcDestroy = 0x0082,
                   KeyFirst = 0x0100, KeyDown = 0x0100, KeyLast = 0x0108, InitDialog = 0x0110,
                   Command = 0x0111, SysCommand = 0x0112, Timer = 0x0113, MouseFirst = 0x0200,
                   MouseMove = 0x0200, LButtonDown = 0x0201, LButtonUp = 0x0202,
                   LButtonDblClk = 0x0203, RButtonDown = 0x0204, RButtonUp = 0x0205,
                   RButtonDblClk = 0x0206, MouseLast = 0x0209, MouseHover = 0x02A1,
                   MouseLeave = 0x02A3, QueryDragIcon = 0x0037, User = 0x0400, App = 0x8000;
}  // namespace wm

// Window styles.
namespace ws {
constexpr std::uint32_t Overlapped = 0x00000000, Popup = 0x80000000, Child = 0x40000000,
                        Minimize = 0x20000000, Visible = 0x10000000, Disabled = 0x08000000,
                        ClipSiblings = 0x04000000, ClipChildren = 0x02000000, Caption = 0x00C00000,
                        Border = 0x00800000, DlgFrame = 0x00400000, SysMenu = 0x00080000,
                        ThickFrame = 0x00040000;
constexpr std::uint32_t ExTopmost = 0x00000008, ExToolWindow = 0x00000080, ExAppWindow = 0x00040000,
                        ExLayered = 0x00080000;
}  // namespace ws

// ShowWindow commands.
namespace sw {
constexpr int Hide = 0, ShowNormal = 1, ShowMinimized = 2, Show = 5, Minimize = 6,
              ShowNoActivate = 4, Restore = 9;
}

// SetWindowPos flags.
namespace swp {
constexpr unsigned NoSize = 0x0001, NoMove = 0x0002, NoZOrder = 0x0004, NoActivate = 0x0010,
                   ShowWindow = 0x0040, HideWindow = 0x0080;
}

// Message box styles and results.
namespace mb {
constexpr unsigned Ok = 0x0, OkCancel = 0x1, YesNo = 0x4, IconError = 0x10, IconQuestion = 0x20,
                   IconWarning = 0x30, IconInformation = 0x40, Topmost = 0x40000;
constexpr int IdOk = 1, IdCancel = 2, IdYes = 6, IdNo = 7;
}  // namespace mb

// Result codes used by the client.
namespace hr {
constexpr HResult Ok = 0, False = 1;
constexpr HResult Fail = static_cast<HResult>(0x80004005u);
constexpr HResult Pointer = static_cast<HResult>(0x80004003u);
constexpr HResult OutOfMemory = static_cast<HResult>(0x8007000Eu);
constexpr HResult NoInterface = static_cast<HResult>(0x80004002u);
constexpr HResult AccessDenied = static_cast<HResult>(0x80070005u);
constexpr HResult TypeMismatch = static_cast<HResult>(0x80020005u);
constexpr HResult Overflow = static_cast<HResult>(0x8002000Au);
inline HResult FromWin32(std::uint32_t e) {
  return e == 0 ? Ok : static_cast<HResult>(0x80070000u | (e & 0xFFFFu));
}
}  // namespace hr

constexpr std::uint32_t ErrorAlreadyExists = 183;

}  // namespace zq
