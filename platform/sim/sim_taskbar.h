// The shell's side of the simulated desktop: the taskbar's windows, re-creating the taskbar,
// the mouse on tray icons and on windows, and what windows painted, cursor and zoom records.
#pragma once
#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "platform/windowing.h"

namespace zq::sim {

class Desktop;

// The taskbar is "Shell_TrayWnd" (the Start button, then the notification area
// "TrayNotifyWnd", which holds a "SysPager" and the clock "TrayClockWClass"). Its windows
// belong to no simulated process (pid 0) and take handles from a range of their own, so
// that adding them moves no client window's handle. Desktop::taskbar is the rectangle the
// shell reports; move the taskbar with PlaceAt so that its windows follow.
class SimTaskbar {
 public:
  enum class Edge { Left, Top, Right, Bottom };
  enum class Click { Left, Double, Right };

  explicit SimTaskbar(Desktop& d);

  WindowHandle TrayWnd() const { return tray_; }  // 0 while there is no taskbar
  WindowHandle NotifyWnd() const { return notify_; }
  WindowHandle ClockWnd() const { return clock_; }
  Edge CurrentEdge() const;
  // Puts the taskbar along an edge of the screen, `thickness` pixels deep.
  void PlaceAt(Edge edge, int thickness = 30);
  // Takes the taskbar's windows away (Desktop::taskbar stays what the shell reports).
  void Remove();
  // Explorer starts again: the icons are dropped, new taskbar windows appear and every
  // top-level window is posted the registered message "TaskbarCreated".
  void Restart();
  // The screen less the taskbar, on whichever edge it stands.
  Rect WorkArea() const;

  // The shell's callbacks for a mouse action on the first tray icon of the process, with
  // the virtual keys held while the icon's window handles them. False: no such icon.
  bool ClickIcon(std::uint32_t pid, Click click, const std::set<int>& keys);
  // The mouse over a window: a move (and the hover the window asked for), leaving it (and
  // the leave it asked for), and a left click (move, button down, button up).
  void MouseOver(WindowHandle window);
  void MouseLeave(WindowHandle window);
  void MouseClick(WindowHandle window);

  // Records kept for tests and dumps.
  struct PaintRecord {
    int paints = 0;  // WM_PAINT messages handed to the window
    bool hasText = false;
    TextPaint text;  // the last text drawn
  };
  std::map<WindowHandle, PaintRecord> paints;
  std::map<WindowHandle, unsigned> tracking;  // tme flags still requested
  unsigned cursorShape = 0;                   // the last system cursor shown
  bool minimizeAnimation = true;
  int restarts = 0;

 private:
  WindowHandle AddWindow(const std::wstring& className, WindowHandle parent, std::uint32_t style,
                         const Rect& rect);
  void DropWindow(WindowHandle window);
  void Create();
  void Layout();
  void PostTo(WindowHandle window, unsigned message, std::uintptr_t wParam, std::intptr_t lParam);
  void LetItRun(WindowHandle window);

  Desktop& d_;
  WindowHandle nextHandle_ = 0xA010;
  WindowHandle tray_ = 0, start_ = 0, notify_ = 0, pager_ = 0, clock_ = 0;
};

}  // namespace zq::sim
