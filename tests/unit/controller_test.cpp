// Tests of the controller inside a whole client process: the tick's memory of the active
// window and a controller that is never shown (start-up: normal_start.zqs; the tray commands
// that switch it off and on: tray_commands.zqs; a tray icon that never comes: tray_fails.zqs).
#include <gtest/gtest.h>

#include <string>
#include <tuple>

#include "client_fixture.h"

namespace zq {
namespace {

using ControllerTest = testing::ClientFixture;

// The dialog manager shows a modal dialog when its loop first waits; the controller must
// then neither appear nor take the foreground from the window the user works in.
TEST_F(ControllerTest, NeverShownAndTrustsAnUnchangedActiveWindowAfterThreeTicks) {
  desktop.Run([&] {
    StartClient(4500);  // ticks run at 4000, 5000, ...
    CClientDlg* c = Controller();
    WindowPos pos{c->Hwnd(), 0, 0, 0, 0, 0, swp::ShowWindow | swp::NoMove | swp::NoSize};
    Win().Send(pos.window, wm::WindowPosChanging, 0, reinterpret_cast<LParam>(&pos));
    EXPECT_EQ(pos.flags, swp::NoActivate | swp::NoMove | swp::NoSize);
    EXPECT_EQ(c->LastActiveWindow, 0u);

    // Activate one of the client's own main-thread windows, as a click into it would.
    Windows& w = Win();
    WindowHandle popup = w.FindWindow(0, 0, L"TaskbarNotifierClass", L"");
    ASSERT_NE(popup, 0u);
    ASSERT_EQ(w.ThreadOf(popup), w.ThreadOf(c->Hwnd()));
    const Rect placed{100, 200, 304, 355};
    w.MoveWindow(popup, placed);
    w.SetTitle(popup, L"Friends");
    w.SetForeground(popup);

    using Memory = std::tuple<WindowHandle, std::wstring, Rect>;
    // After each further second: what the tick remembers.
    auto after = [&] {
      desktop.SleepMs(1000);
      return Memory(c->LastActiveWindow, c->LastActiveTitle, c->LastActiveRect);
    };
    EXPECT_EQ(after(), Memory(popup, L"", Rect{}));         // a new window
    EXPECT_EQ(after(), Memory(popup, L"Friends", Rect{}));  // same window: its title
    EXPECT_EQ(after(), Memory(popup, L"Friends", placed));  // same title: its place
    EXPECT_EQ(after(), Memory(popup, L"Friends", placed));  // unchanged from now on

    // A new title costs two ticks again; a move only one.
    w.SetTitle(popup, L"Friends (2)");
    EXPECT_EQ(after(), Memory(popup, L"Friends (2)", Rect{}));
    EXPECT_EQ(after(), Memory(popup, L"Friends (2)", placed));
    const Rect moved{120, 200, 324, 355};
    w.MoveWindow(popup, moved);
    EXPECT_EQ(after(), Memory(popup, L"Friends (2)", moved));

    // Switched off, the tick forgets the window and disabled ticks leave it alone.
    Post(wm::Command, ID_DISABLE_ENABLE, 0);
    desktop.SleepMs(10000);
    EXPECT_EQ(c->LastActiveWindow, 0u);
  });
}

}  // namespace
}  // namespace zq
