// End-to-end tests of the client's panels (attached to the stand-in Firefox, owned by the
// stand-in Chromium, floating) and of windows and threads whose lives cross.
#include <algorithm>
#include <chrono>

#include "tests/wine/e2e_checks.h"

namespace zq::e2e {
namespace {

const wchar_t kPanelClass[] = L"ZQFloatWndClassName";
const wchar_t kContentClass[] = L"MozillaContentWindowClass";
const wchar_t kSite[] = L"http://www.example.org/zq-e2e/page.html?q=1";
const wchar_t kChromiumSite[] = L"http://www.example.org/zq-e2e/chromium.html";
// Panels that start on the stop marker load no page.
const std::string kStoppedPanels =
    std::string(kNoHiddenPages) + "LastBaseURLNavigated=stoppostbacks\r\n";
const wchar_t kExcluded[] = L"about:blank";
constexpr DWORD kPanelMs = 20000;  // a tick is 1 s; making a panel waits up to 5 s per host
const wchar_t kFloatingPanelClass[] = L"Afx:00400000:800";
const wchar_t kKeysPanel[] = L"Keys Test";
constexpr UINT kKeysOffered = WM_APP + 0x5A2;
constexpr UINT kFollowMessage = WM_APP + 0x5A3;  // test build only (test_build_hooks.cpp)
constexpr WPARAM kMySettingsCommand = 32786;

struct Fakefox : win32::test::FakeFirefox {
  Fakefox(const std::wstring& url, const std::wstring& page) : FakeFirefox(L"answer", url, page) {
    Check(frame() != nullptr, "fakefox shows its window \"" + Narrow(page) + "\"");
    ::SetForegroundWindow(frame());
  }
  // The window that the client knows as the browser: the content window's parent.
  HWND Browser() const { return ::GetParent(FindDescendant(frame(), kContentClass)); }
  void GoTo(const std::wstring& url, const std::wstring& page) {
    Check(FakeFirefox::GoTo(url, page), "fakefox moves to " + Narrow(url));
  }
};

int CountDescendants(HWND parent, const std::wstring& className) {
  int n = 0;
  for (HWND child = ::GetWindow(parent, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT))
    n += (ClassOf(child) == className ? 1 : 0) + CountDescendants(child, className);
  return n;
}

// A failure names what the client reported meanwhile in its status window.
HWND WaitPanel(const Fakefox& fox, HWND status, const std::string& what) {
  return Found(WaitDescendant(fox.Browser(), kPanelClass, kPanelMs),
               what + " (the client reported \"" + Narrow(ControlText(status, 2000)) + "\")");
}

// A followed address gets one attached panel (which addresses are excluded:
// tracking_rules.zqs; its collapsed place: panel_attached.zqs): a visible child of the
// browser window of the client's own class, titled with the site's address. Moving to an
// excluded address releases the panel, moving back makes a new one. The fragment list is
// read again at every check, so a value written while the client runs takes effect.
void PanelAttachesToFollowedAddresses(const std::wstring& exe) {
  Session client(exe, kStoppedPanels.c_str());
  HWND status = OpenStatusBox(client.run, client.controller);
  Fakefox fox(kSite, L"Example Page");
  HWND first =
      WaitPanel(fox, status, "a \"ZQFloatWndClassName\" window appears in the browser window");
  Check(::GetParent(first) == fox.Browser(), "the panel is a child of the content's parent");
  Check(CountDescendants(fox.Browser(), kPanelClass) == 1, "the browser gets one panel");
  Check(TitleOf(first) == kSite,
        "the panel's title is the site's address, not \"" + Narrow(TitleOf(first)) + "\"");
  Check(WaitFor([&] { return (::GetWindowLongW(first, GWL_STYLE) & WS_VISIBLE) != 0; }, kPanelMs),
        "the made panel is visible");

  fox.GoTo(kExcluded, L"Blank");
  Check(WaitGone(first, kPanelMs), "moving to about:blank releases the panel");

  fox.GoTo(kSite, L"Example Page");
  HWND second = WaitPanel(fox, status, "going back to the followed address makes a new panel");
  Check(CountDescendants(fox.Browser(), kPanelClass) == 1, "the browser has one panel");

  Check(::WritePrivateProfileStringW(L"General", L"ExcludedInURL", L" nothing-here ; example.org ",
                                     client.config.c_str()),
        "ExcludedInURL is written");
  Check(WaitGone(second, kPanelMs),
        "ExcludedInURL written while running excludes the site at a later tick");
  client.Exit();
}

// Without the service the first panel page cannot be loaded: the client is disabled, closes
// the panel and shows the "cannot connect" picture (its status line: dispatcher_words.zqs).
void OfflinePanelLoadFails(const std::wstring& exe) {
  Session client(exe, kNoHiddenPages);
  HWND status = OpenStatusBox(client.run, client.controller);
  Fakefox fox(kSite, L"Example Page");
  HWND panel = WaitPanel(fox, status, "the followed browser gets a panel");
  Check(WaitGone(panel, 2 * kPanelMs), "the refused page disables the client, closing the panel");

  // The "cannot connect" picture (197), not that of a disable by the user (196).
  TrayPictureMatch shown;
  auto disconnected = [&] { return shown.id == 197 && shown.difference < shown.runnerUp / 2; };
  WaitFor(
      [&] {
        return (shown = ShownTrayPicture(exe, {128, 194, 196, 197, 198}), disconnected());
      },
      5000, 200);
  Check(disconnected(), "the tray shows picture 197, not " + std::to_string(shown.id) +
                            " (differences " + std::to_string(shown.difference) + " and " +
                            std::to_string(shown.runnerUp) + ")");
  client.Exit();
  ::DeleteFileW(client.config.c_str());
}

// A page opens a floating panel. With the focus in its web control, F5 reaches the
// control's accelerator handling; Escape closes the panel. Keys are posted to the focus
// window: under Wine, keyboard input does not reach a thread without focus.
void FloatingPanelKeys(const std::wstring& exe) {
  Session client(TestClientOf(exe));
  HWND notifications = client.Notifications();
  const std::wstring open = std::wstring(L"zqwndcmd::CMD:1226~wParam:") + kKeysPanel +
                            L";http://127.0.0.1:8701/panel/defaultminimize.aspx~lParam:0~";
  HWND panel = nullptr;
  Check(WaitFor(
            [&] {
              Navigate(notifications, open);
              return (panel = WaitWindow(client.run.Pid(), kFloatingPanelClass, kKeysPanel,
                                         2000)) != nullptr;
            },
            30000, 0),
        "a page's command opens the floating panel \"Keys Test\"");
  HWND control = Found(WaitDescendant(panel, L"Shell Embedding", 10000),
                       "the floating panel holds a web control");

  HeldKeys input(panel, {});  // none held: F5 is not down in the key state
  Check(input.Attached(), "the test shares the client's input state");
  ::SetFocus(control);
  HWND focus = ::GetFocus();
  Check(focus != nullptr && (focus == control || ::IsChild(control, focus)),
        "the focus is in the panel's web control");
  // Sent again until the client's loop takes it: while the panel's creation still waits
  // for its control's first document, keys are dispatched without the filters. The test
  // build's controls answer how many key-downs reached their accelerator handling.
  DWORD_PTR offered = 0;
  Check(WaitFor(
            [&] {
              ::PostMessageW(focus, WM_KEYDOWN, VK_F5, 0);
              ::Sleep(500);
              ::SendMessageTimeoutW(control, kKeysOffered, VK_F5, 0, SMTO_ABORTIFHUNG, 5000,
                                    &offered);
              return offered > 0;
            },
            20000, 0),
        "F5 reaches the control's accelerator handling");
  ::PostMessageW(focus, WM_KEYDOWN, VK_ESCAPE, 0);
  Check(WaitGone(panel, 10000), "Escape closes the floating panel");
  client.Exit();
}

RECT Corner(HWND browser) {
  RECT b{};
  ::GetWindowRect(browser, &b);
  return RECT{b.right - 30, b.bottom - 16, b.right - 29, b.bottom - 15};
}

bool PlacedAt(HWND panel, const RECT& want) {
  RECT r{};
  return ::GetWindowRect(panel, &r) && ::EqualRect(&r, &want);
}

// The tick ignores the stand-in: the panel comes from a follow request, moves by window events.
void OwnedPanelFollowsChromium(const std::wstring& exe) {
  Session client(TestClientOf(exe), kStoppedPanels.c_str());
  win32::test::HelperProcess standin(L"standin_chromium.exe", L"", L"Chrome_WidgetWin_1");
  HWND browser = Found(standin.frame(), "the stand-in Chromium window appears");
  ::SetForegroundWindow(browser);
  ATOM url = ::GlobalAddAtomW(kChromiumSite);
  Check(url != 0 && ::PostMessageW(client.controller, kFollowMessage,
                                   reinterpret_cast<WPARAM>(browser), url),
        "the follow request is posted");
  HWND panel = WaitWindow(client.run.Pid(), kPanelClass, L"", 20000, [&](HWND w) {
    return ::GetWindow(w, GW_OWNER) == browser && ::IsWindowVisible(w);
  });
  Check(panel != nullptr, "a visible panel pop-up owned by the Chromium window appears");
  Check(WaitFor([&] { return PlacedAt(panel, Corner(browser)); }, 5000),
        "the panel stands at the browser's bottom right corner");
  Check(::GetForegroundWindow() == browser, "the browser keeps the focus");

  // The time each move takes to reach the panel is printed: docs/performance.md.
  std::vector<double> took;
  for (int i = 0; i < 20; ++i) {
    ::SetWindowPos(browser, nullptr, 60 + 7 * i, 50 + 5 * i, 640 - 3 * i, 480 - 2 * i,
                   SWP_NOZORDER | SWP_NOACTIVATE);
    const auto start = std::chrono::steady_clock::now();
    Check(WaitFor([&] { return PlacedAt(panel, Corner(browser)); }, 5000, 1),
          "the panel follows move " + std::to_string(i + 1));
    took.push_back(
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
            .count());
  }
  std::sort(took.begin(), took.end());
  std::printf("owned panel follows a move: median %.1f ms, worst %.1f ms (20 moves)\n",
              took[took.size() / 2], took.back());
  Check(::GetForegroundWindow() == browser, "moving never gave the panel the focus");

  ::ShowWindow(browser, SW_MINIMIZE);
  Check(WaitFor([&] { return !::IsWindowVisible(panel); }, 5000),
        "minimising the browser hides the panel");
  ::ShowWindow(browser, SW_RESTORE);
  ::SetForegroundWindow(browser);
  Check(WaitFor([&] { return ::IsWindowVisible(panel) && PlacedAt(panel, Corner(browser)); }, 5000),
        "restoring the browser shows the panel at its corner again");
  Check(::GetForegroundWindow() != panel, "the panel never takes the focus");
  client.Exit();
}

// Without an HTML engine every new web control waits its whole bound (5 s) for a document,
// handling the thread's messages meanwhile: the disable posted while the "Settings" window
// is being made is handled inside its creation, and closes the window once it is made.
void DisableDuringServiceWindowCreation(const std::wstring& exe) {
  Session client(exe, kNoHiddenPages);
  ::PostMessageW(client.controller, WM_COMMAND, kMySettingsCommand, 0);
  HWND settings = Found(WaitWindow(client.run.Pid(), kFloatingPanelClass, L"Settings", 30000),
                        "\"My Settings...\" starts making the \"Settings\" window");
  ::PostMessageW(client.controller, WM_COMMAND, kDisableCommand, 0);
  Check(WaitGone(settings, 20000), "the disable closes the window once it has been made");
  client.Exit();  // with code 0: nothing crashed
  ::DeleteFileW(client.config.c_str());
}

// A page that cannot be loaded disables the client, whose ticks then start connectivity
// checks: Exit while one waits for its browser object ends the process cleanly.
void ExitDuringConnectivityCheck(const std::wstring& exe) {
  // Internet Explorer's class: a creation waits for its whole limit (15 s).
  win32::test::SilentServer server(L"CLSID\\{0002DF01-0000-0000-C000-000000000046}");
  Session client(TestClientOf(exe));
  PageCommand(client.Notifications(), L"naverror", L"e2e_page_unreachable");
  Check(WaitFor([] { return ::FindWindowW(L"MozillaUIWindowClass", nullptr) != nullptr; }, 30000),
        "a connectivity check starts the browser's server and waits for it");
  client.Exit();  // with code 0: nothing crashed
  ::DeleteFileW(client.config.c_str());
}

const TestRegistration kPanelTests[] = {
    {"floating_panel_keys", FloatingPanelKeys},
    {"panel_attaches_to_followed_addresses", PanelAttachesToFollowedAddresses},
    {"offline_panel_load_fails", OfflinePanelLoadFails},
    {"owned_panel_follows_chromium", OwnedPanelFollowsChromium},
    {"disable_during_service_window_creation", DisableDuringServiceWindowCreation},
    {"exit_during_connectivity_check", ExitDuringConnectivityCheck},
};

}  // namespace
}  // namespace zq::e2e
