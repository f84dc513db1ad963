// Tests of the panel window: its two forms, the panel page address, the page commands it
// performs or passes on, the keyboard filter, and the start-with-Windows entry.
#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "app/AppConsts.h"
#include "app/ErrorReport.h"
#include "app/PanelRegistry.h"
#include "app/Text.h"
#include "panel/FrontWebBrowser.h"
#include "panel/StartupEntry.h"
#include "panel/ZephquillWnd.h"
#include "platform/sim/sim_browsers.h"
#include "platform/sim/sim_registry.h"
#include "platform/sim/sim_web_control.h"
#include "tests/unit/panel_fixture.h"

using namespace zq;

namespace {

constexpr const wchar_t* kMinimised = L"http://127.0.0.1:8701/panel/defaultminimize.aspx";

TEST(PanelAddress, ValuesArePercentEncoded) {
  EXPECT_EQ(ZephquillWnd::EncodeQueryValue(L"http://shop.example/a b?x=1&y=2#top"),
            L"http%3A%2F%2Fshop.example%2Fa%20b%3Fx%3D1%26y%3D2%23top");
  EXPECT_EQ(ZephquillWnd::EncodeQueryValue(L"Az09-._~"), L"Az09-._~");
  EXPECT_EQ(ZephquillWnd::EncodeQueryValue(L"caf\u00e9 100%"), L"caf%C3%A9%20100%25");
  // The base keeps its own query (a second "?" follows) and the extra query is the caller's.
  EXPECT_EQ(ZephquillWnd::ComposePanelAddress(L"http://app/P.aspx?Tab=1", L"Ref=n&", L"id 7",
                                              L"http://s/?q=a&b"),
            L"http://app/P.aspx?Tab=1?Ref=n&TavrelZephquillID=id%207"
            L"&TavrelZephquillURL=http%3A%2F%2Fs%2F%3Fq%3Da%26b");
}

// Records the key messages that reach it (a browser window the panel forwards keys to).
struct KeyRecorder : WindowHandler {
  LResult OnMessage(WindowHandle window, unsigned message, WParam wParam, LParam lParam) override {
    if ((message >= wm::KeyFirst && message <= wm::KeyLast) ||
        (message >= wm::MouseFirst && message <= wm::MouseLast))
      keys.emplace_back(message, wParam);
    return Plat().windows().DefaultProc(window, message, wParam, lParam);
  }
  std::vector<std::pair<unsigned, WParam>> keys;
};

class PanelWindowTest : public zq::testing::PanelFixture {};

TEST_F(PanelWindowTest, AttachedIsTheBrowsersChildFloatingTheControllersPopup) {
  desktop.Run([&] {
    Start();
    WindowHandle attachedWindow = 0, floatingWindow = 0;
    OnMain([&] {
      WindowHandle browser = MakeBrowser();
      ZephquillWnd attached;
      attached.CreateAttached(browser, L"http://a.example/");
      attachedWindow = attached.Hwnd();
      sim::SimWindow* a = desktop.Window(attachedWindow);
      ASSERT_NE(a, nullptr);
      EXPECT_EQ(a->title, L"http://a.example/");
      EXPECT_EQ(a->style, ws::Child | ws::Visible | ws::ClipSiblings);
      EXPECT_EQ(a->parent, browser);
      EXPECT_EQ(attached.BrowserWindow, browser);
      EXPECT_EQ(attached.SlideState, kSlideCollapsed);
      sim::SimWebControlRecord* front = FrontControl(attached);
      sim::SimWebControlRecord* back = desktop.web().ControlIn(attached.BackBrowser->Hwnd());
      ASSERT_NE(front, nullptr);
      ASSERT_NE(back, nullptr);
      EXPECT_TRUE(front->silent && front->offline && !front->dropTarget);
      EXPECT_NE(back->writes.back().find(L"Please wait..."), std::wstring::npos);

      ZephquillWnd floating;
      floating.CreateFloating(Controller()->Hwnd(), L"Map");
      floatingWindow = floating.Hwnd();
      sim::SimWindow* f = desktop.Window(floatingWindow);
      ASSERT_NE(f, nullptr);
      EXPECT_EQ(f->parent, desktop.DesktopHandle());  // a pop-up owned by the controller
      EXPECT_EQ(f->owner, Controller()->Hwnd());
      EXPECT_EQ(f->style, ws::Popup | ws::Child | ws::Visible);
      EXPECT_EQ(floating.BrowserWindow, Controller()->Hwnd());
      EXPECT_EQ(floating.BackBrowser->Hwnd(), 0u);

      // A window that cannot be made is the general failure, whatever the last error was.
      ZephquillWnd orphan;
      try {
        orphan.CreateAttached(0x7777, L"x");
        ADD_FAILURE() << "no failure raised";
      } catch (const ComError& e) {
        EXPECT_EQ(e.Code, hr::Fail);
      }
      EXPECT_EQ(orphan.Hwnd(), 0u);
    });
    // Deleting a panel takes its window with it.
    EXPECT_EQ(desktop.Window(attachedWindow), nullptr);
    EXPECT_EQ(desktop.Window(floatingWindow), nullptr);
  });
}

TEST_F(PanelWindowTest, PanelPageFollowsItsBaseAddress) {
  desktop.Run([&] {
    Config(L"ClientIdentifier", L"id 7");
    Start();
    OnMain([&] {
      const CAppConsts& k = GetAppConsts();
      ZephquillWnd panel;
      panel.CreateFloating(Controller()->Hwnd(), L"Pages");
      const auto& loaded = panel.LoadedAddresses();
      // No base and none stored: the minimised page, which is stored for the next panel.
      panel.LoadPanelPage(L"http://s.example/?q=1&r=2", L"Ref=n&");
      EXPECT_EQ(loaded.back(),
                std::wstring(kMinimised) +
                    L"?Ref=n&TavrelZephquillID=id%207"
                    L"&TavrelZephquillURL=http%3A%2F%2Fs.example%2F%3Fq%3D1%26r%3D2");
      EXPECT_EQ(Setting(L"LastBaseURLNavigated"), kMinimised);
      EXPECT_EQ(FrontControl(panel)->navigations.back().url, loaded.back());

      size_t count = loaded.size();
      panel.BaseUrl = L"StopPostbacks";  // the stop marker is lower case: this loads
      panel.LoadPanelPage(L"http://s.example/", L"");
      EXPECT_EQ(loaded.size(), ++count);
      panel.BaseUrl = k.StopPostBacksURL;
      panel.LoadPanelPage(L"http://s.example/", L"");
      EXPECT_EQ(loaded.size(), count);
      panel.BaseUrl = k.ClosedFltWndURL;
      panel.LoadPanelPage(L"http://s.example/", L"");
      EXPECT_EQ(loaded.back(), k.ClosedFltWndURL);

      Config(L"LastBaseURLNavigated", L"http://app/Chosen.aspx");
      ZephquillWnd next;
      next.CreateFloating(Controller()->Hwnd(), L"Next");
      next.LoadPanelPage(L"x", L"");
      EXPECT_EQ(next.LoadedAddresses().back(),
                L"http://app/Chosen.aspx?TavrelZephquillID=id%207&TavrelZephquillURL=x");
      next.NavigatePanel(L"");
      EXPECT_EQ(next.LoadedAddresses().size(), 1u);

      // A stored page that is no web address (a page may store any value) is not opened:
      // the minimised page takes its place, in the file too.
      Config(L"LastBaseURLNavigated", L"\\\\attacker.example\\share\\x.htm");
      ZephquillWnd third;
      third.CreateFloating(Controller()->Hwnd(), L"Third");
      third.LoadPanelPage(L"x", L"");
      EXPECT_EQ(third.LoadedAddresses().back().rfind(kMinimised, 0), 0u);
      EXPECT_EQ(Setting(L"LastBaseURLNavigated"), kMinimised);
    });
  });
}

TEST_F(PanelWindowTest, PageCommandsArePerformedOrPassedOn) {
  desktop.Run([&] {
    Start();
    ZephquillWnd* panel = BrowserPanel();
    ASSERT_NE(panel, nullptr);
    WindowHandle h = panel->Hwnd();
    size_t texts = LiveTextCount();

    ToWindow(h, UM_PANEL_COMMAND, L"Trasparency", L"128");
    EXPECT_EQ(panel->Alpha, 128);
    EXPECT_TRUE(desktop.Window(h)->exStyle & ws::ExLayered);
    EXPECT_EQ(desktop.Window(h)->alpha, 128);
    ToWindow(h, UM_PANEL_COMMAND, L"Trasparency", L"half");
    EXPECT_EQ(StatusWith(L"Float window cannot perfrom custom operation called Trasparency"), 1u);
    EXPECT_EQ(panel->Alpha, 128);
    ToWindow(h, UM_PANEL_COMMAND, L"Trasparency", L"300");  // kept, applied as opaque
    EXPECT_EQ(panel->Alpha, 300);
    EXPECT_EQ(desktop.Window(h)->alpha, 255);
    ToWindow(h, UM_PANEL_COMMAND, L"Trasparency", L"-5");  // and below zero: invisible
    EXPECT_EQ(desktop.Window(h)->alpha, 0);

    // "Drag" is the panel's; "drag" is another word and goes to the controller.
    ToWindow(h, UM_PANEL_COMMAND, L"Drag", L"0");
    EXPECT_EQ(StatusWith(L"[drag]"), 0u);
    ToWindow(h, UM_PANEL_COMMAND, L"drag", L"0");
    EXPECT_EQ(StatusWith(L"[drag]"), 1u);

    desktop.menuChoices.push_back(ID_DRILLDOWN_PRODUCT);
    ToWindow(h, UM_PANEL_COMMAND, L"drillpopupmenu", L"4");
    EXPECT_EQ(TraceWith("[&Product, &Company, P&erson, &Other] chose 32777"), 1u);
    ToWindow(h, UM_PANEL_COMMAND, L"drillpopupmenu", L"");
    EXPECT_EQ(StatusWith(L"custom operation called drillpopupmenu"), 1u);
    EXPECT_EQ(TraceWith("popup menu"), 1u);
    // After its menu a panel lays its hosts out again over its whole client area (a
    // floating one: nothing else moves it meanwhile).
    ZephquillWnd* floating = ServiceWindow(L"Menu");
    ASSERT_NE(floating, nullptr);
    Win().MoveWindow(floating->Hwnd(), Rect{100, 100, 400, 300});
    desktop.SleepMs(10);
    Win().MoveWindow(floating->FrontBrowser->Hwnd(), Rect{0, 0, 1, 1});
    ToPanel(floating, UM_PANEL_COMMAND, L"drillpopupmenu", L"4");
    EXPECT_EQ(Win().ClientRect(floating->FrontBrowser->Hwnd()), Win().ClientRect(floating->Hwnd()));

    // Messages between the panel's commands that are none of them free their texts too.
    ToWindow(h, wm::User + 209, L"a", L"b");
    desktop.SleepMs(100);
    EXPECT_EQ(LiveTextCount(), texts);
  });
}

TEST_F(PanelWindowTest, SettingsAndTheLastSiteReachThePage) {
  desktop.Run([&] {
    Start();
    ZephquillWnd* panel = BrowserPanel();
    ASSERT_NE(panel, nullptr);
    int control = FrontControl(*panel)->index;
    desktop.web().Complete(control, L"Panel");
    desktop.SleepMs(10);
    ASSERT_TRUE(desktop.web().SetElement(control, L"colour", L""));
    ASSERT_TRUE(desktop.web().SetElement(control, L"site", L""));

    ToWindow(panel->Hwnd(), UM_PANEL_STORE_SETTING, L"PanelColour", L"blue");
    EXPECT_EQ(Setting(L"PanelColour"), L"blue");
    ToWindow(panel->Hwnd(), UM_PANEL_SHOW_SETTING, L"PanelColour", L"colour");
    ToWindow(panel->Hwnd(), UM_PANEL_SHOW_SETTING, L"PanelColour", L"no-such-element");
    ToWindow(panel->Hwnd(), UM_PANEL_SHOW_LAST_URL, L"site");
    auto& elements = FrontControl(*panel)->document->elements;
    std::wstring site;
    OnMain([&] { site = GetLastSite(); });
    EXPECT_EQ(elements[L"colour"], L"blue");
    EXPECT_EQ(elements[L"site"], site);
    EXPECT_EQ(elements.count(L"no-such-element"), 0u);
    EXPECT_TRUE(status.empty());
  });
}

TEST_F(PanelWindowTest, KeyboardFilterForwardsTheBrowsersShortcuts) {
  desktop.Run([&] {
    Start();
    OnMain([&] {
      Windows& w = Plat().windows();
      KeyRecorder recorder;
      WindowHandle browser = MakeBrowser(&recorder);
      ZephquillWnd panel;
      panel.CreateAttached(browser, L"http://a.example/");
      WindowHandle h = panel.Hwnd();
      auto press = [&](unsigned message, WParam key, std::initializer_list<int> held) {
        for (int k : held) desktop.keysDown.insert(k);
        bool swallowed = panel.PreTranslate(h, message, key, 0);
        for (int k : held) desktop.keysDown.erase(k);
        w.PumpPending();
        return swallowed;
      };
      EXPECT_TRUE(press(wm::KeyDown, 0x1B, {}));  // attached: Escape does nothing
      EXPECT_TRUE(w.IsWindow(h));
      EXPECT_FALSE(press(wm::KeyDown, 0x74, {0x74}));
      EXPECT_FALSE(press(0x0104, 0x25, {0x12, 0x25}));
      EXPECT_FALSE(press(wm::KeyDown, 'O', {0x11, 'O'}));
      EXPECT_FALSE(press(wm::KeyDown, 'Q', {0x11, 'Q'}));  // not a browser shortcut
      // Mouse messages carry button flags, not keys: 0x1B is no Escape there.
      EXPECT_FALSE(press(wm::MouseMove, 0x1B, {}));
      EXPECT_FALSE(press(wm::MouseLast, 0, {0x12, 0x25}));  // the last mouse message too
      std::vector<std::pair<unsigned, WParam>> expected = {
          {wm::KeyDown, 0x74}, {0x0104, 0x25}, {wm::KeyDown, 'O'}, {wm::MouseLast, 0x25}};
      EXPECT_EQ(recorder.keys, expected);

      ZephquillWnd floating;
      floating.CreateFloating(Controller()->Hwnd(), L"Escapable");
      EXPECT_TRUE(floating.PreTranslate(floating.Hwnd(), wm::KeyDown, 0x1B, 0));
      w.PumpPending();
      EXPECT_EQ(floating.Hwnd(), 0u);  // closed, and its rectangle kept
      EXPECT_EQ(Setting(L"Escapable"), L"0001 0001 0002 0002");
    });
  });
}

TEST_F(PanelWindowTest, StartupEntryLivesInTheRunKey) {
  desktop.Run([&] {
    Start();
    sim::SimRegistry& reg = desktop.registry();
    OnMain([&] {
      EXPECT_FALSE(AddStartupEntry(L"Zephquill"));  // the key is not created
      ASSERT_TRUE(reg.CreateKey(RegRoot::CurrentUser, kRunKey));
      EXPECT_TRUE(AddStartupEntry(L"Zephquill"));
      EXPECT_TRUE(AddStartupEntry(L"Zephquill"));
      EXPECT_TRUE(AddStartupEntry(L"Other Name"));
      // The path as it is, blanks and all, without quotes.
      EXPECT_EQ(reg.GetString(RegRoot::CurrentUser, kRunKey, L"Zephquill"),
                std::wstring(zq::testing::kModule));
      EXPECT_EQ(reg.Dump().size(), 2u);
      EXPECT_TRUE(RemoveStartupEntry(L"Zephquill"));
      EXPECT_FALSE(RemoveStartupEntry(L"Zephquill"));
      EXPECT_FALSE(reg.GetString(RegRoot::CurrentUser, kRunKey, L"Zephquill").has_value());
      EXPECT_TRUE(reg.GetString(RegRoot::CurrentUser, kRunKey, L"Other Name").has_value());
    });
  });
}

}  // namespace
