// End-to-end tests of the panel that the client attaches to the browser in front, with the
// stand-in Firefox (fakefox.exe, beside the test program) as that browser: attaching with
// the service up, the site rules, and a panel page that cannot be loaded; and the keys of a
// floating panel.
#include "tests/wine/e2e_checks.h"

#include <cstdio>

namespace zq::e2e {
namespace {

const wchar_t kPanelClass[] = L"ZQFloatWndClassName";
const wchar_t kContentClass[] = L"MozillaContentWindowClass";
// The built-in first panel page, kept in lower case by the client.
const wchar_t kMinimisedPage[] = L"http://127.0.0.1:8701/panel/defaultminimize.aspx";
const wchar_t kSite[] = L"http://www.example.org/zq-e2e/page.html?q=1";
const wchar_t kSiteEscaped[] = L"http%3A%2F%2Fwww.example.org%2Fzq-e2e%2Fpage.html%3Fq%3D1";
const wchar_t kExcluded[] = L"about:blank";
constexpr DWORD kPanelMs = 20000;  // a tick is 1 s; making a panel waits up to 5 s per host
constexpr UINT kShowStatusWindow = WM_USER + 113;
constexpr int kStatusEdit = 1001;
constexpr ULONG_PTR kFakefoxGoTo = 0x58464F46;
const wchar_t kFloatingPanelClass[] = L"Afx:00400000:800";
const wchar_t kKeysPanel[] = L"Keys Test";
constexpr UINT kKeysOffered = WM_APP + 0x5A2;

// The stand-in Firefox with one page; closed (or ended) when the object goes.
class Fakefox {
 public:
  Fakefox(const std::wstring& url, const std::wstring& page)
      : run_(TestProgramDirectory() + L"\\fakefox.exe",
             L"answer \"" + url + L"\" \"" + page + L"\"") {
    Check(run_.Started(), "fakefox.exe starts");
    frame_ = WaitWindow(run_.Pid(), L"MozillaUIWindowClass", page + L" - Mozilla Firefox", 10000);
    Check(frame_ != nullptr, "fakefox shows its window \"" + Narrow(page) + " - Mozilla Firefox\"");
    HWND content = FindDescendant(frame_, kContentClass);
    Check(content != nullptr, "fakefox has a content window");
    browser_ = ::GetParent(content);
    ::SetForegroundWindow(frame_);
  }
  ~Fakefox() {
    if (::IsWindow(frame_)) ::PostMessageW(frame_, WM_CLOSE, 0, 0);
    run_.WaitExit(5000);  // the run ends it by force otherwise
  }
  Fakefox(const Fakefox&) = delete;
  Fakefox& operator=(const Fakefox&) = delete;

  // The window that the client knows as the browser: the content window's parent.
  HWND Browser() const { return browser_; }

  // Moves to another page and comes to the front again.
  void GoTo(const std::wstring& url, const std::wstring& page) {
    std::wstring text = url + L"\n" + page;
    COPYDATASTRUCT data{kFakefoxGoTo, static_cast<DWORD>(text.size() * sizeof(wchar_t)),
                        text.data()};
    DWORD_PTR answer = 0;
    Check(::SendMessageTimeoutW(frame_, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&data),
                                SMTO_ABORTIFHUNG, 5000, &answer) &&
              answer == TRUE,
          "fakefox moves to " + Narrow(url));
  }

 private:
  ClientRun run_;
  HWND frame_ = nullptr, browser_ = nullptr;
};

std::string Hex(LONG value) {
  char text[16];
  std::snprintf(text, sizeof text, "%08lx", static_cast<unsigned long>(value));
  return text;
}

int CountDescendants(HWND parent, const std::wstring& className) {
  int n = 0;
  for (HWND child = ::GetWindow(parent, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT))
    n += (ClassOf(child) == className ? 1 : 0) + CountDescendants(child, className);
  return n;
}

// A failure names what the client reported meanwhile in its status window.
HWND WaitPanel(const Fakefox& fox, HWND status, const std::string& what) {
  HWND panel = WaitDescendant(fox.Browser(), kPanelClass, kPanelMs);
  Check(panel != nullptr,
        what + " (the client reported \"" + Narrow(ControlText(status, 2000)) + "\")");
  return panel;
}

// Opens the tray menu through the icon's callback and picks the item `downs` steps down
// with the keyboard, as a user would.
void PickFromTrayMenu(ClientRun& run, int downs) {
  HWND tray = WaitWindow(run.Pid(), L"ZQTrayIconWindow", L"", 1000);
  Check(tray != nullptr, "the tray icon's window exists");
  ::PostMessageW(tray, kTrayCallback, kTrayIconId, WM_RBUTTONUP);
  HWND menu = WaitPopupMenu(run.Pid(), 5000);
  Check(menu != nullptr, "a right click on the icon shows the tray menu");
  for (int i = 0; i < downs; ++i) ::PostMessageW(menu, WM_KEYDOWN, VK_DOWN, 0);
  ::PostMessageW(menu, WM_KEYDOWN, VK_RETURN, 0);
  Check(WaitGone(menu, 5000), "the menu closes after Enter");
}

// The controller's hidden pages get no address, so that the only page the client loads is
// the panel's: a service page that cannot be shown (as on a Wine without an HTML engine)
// is a navigation failure, which disables the client and would end the panel's story
// before it starts. `extra` adds lines to section "General".
void WriteConfig(const std::wstring& exe, const std::string& extra) {
  Check(WriteAnsiFile(ConfigOf(exe), "[General]\r\nClientLoadURL=\r\nPollingURL=\r\n" + extra),
        "the configuration file is written");
}

// Opens the client's status window, which collects its diagnostic lines from then on.
HWND OpenStatusBox(ClientRun& run, HWND controller) {
  DWORD_PTR ignored = 0;
  ::SendMessageTimeoutW(controller, kShowStatusWindow, 0, 0, SMTO_ABORTIFHUNG, 5000, &ignored);
  HWND status = WaitWindow(run.Pid(), L"#32770", L"Connectivity Status Information", 5000);
  Check(status != nullptr, "the status window opens");
  HWND edit = ::GetDlgItem(status, kStatusEdit);
  Check(edit != nullptr, "the status window has its message box");
  return edit;
}

// The followed browser gets one attached panel: a child of the browser window, owned by
// the client, titled with the site's address, in the browser's bottom right corner; the
// first panel page is the built-in minimised one and is remembered in the configuration.
void PanelAttaches(const std::wstring& exe) {
  const std::wstring config = ConfigOf(exe);
  WriteConfig(exe, "");
  ClientRun run(exe, L"");
  HWND controller = StartedController(run, exe);
  HWND status = OpenStatusBox(run, controller);
  Fakefox fox(kSite, L"Example Page");
  HWND panel =
      WaitPanel(fox, status, "a \"ZQFloatWndClassName\" window appears in the browser window");
  Check(::GetParent(panel) == fox.Browser(), "the panel is a child of the content's parent");
  Check(CountDescendants(fox.Browser(), kPanelClass) == 1, "the browser gets one panel");
  DWORD owner = 0;
  ::GetWindowThreadProcessId(panel, &owner);
  Check(owner == run.Pid(), "the panel window belongs to the client");
  Check(TitleOf(panel) == kSite,
        "the panel's title is the site's address, not \"" + Narrow(TitleOf(panel)) + "\"");
  // Shown only once its creation, which makes its web controls, has ended.
  LONG style = ::GetWindowLongW(panel, GWL_STYLE), ex = ::GetWindowLongW(panel, GWL_EXSTYLE);
  Check((style & (WS_CHILD | WS_CLIPSIBLINGS | WS_POPUP)) == (WS_CHILD | WS_CLIPSIBLINGS),
        "the panel is a child window that clips its siblings (style " + Hex(style) + ")");
  Check((ex & WS_EX_TOOLWINDOW) != 0,
        "the panel is a tool window (extended style " + Hex(ex) + ")");
  RECT client{}, placed{};
  ::GetClientRect(fox.Browser(), &client);
  ::GetWindowRect(panel, &placed);
  ::MapWindowPoints(nullptr, fox.Browser(), reinterpret_cast<POINT*>(&placed), 2);
  Check(placed.right <= client.right && placed.bottom <= client.bottom &&
            placed.left >= client.right / 2 && placed.top >= client.bottom / 2,
        "the panel stands in the bottom right corner of the browser's client area");
  bool remembered = WaitIniValue(config, L"LastBaseURLNavigated", kMinimisedPage, kPanelMs);
  Check(remembered, "LastBaseURLNavigated holds the minimised panel page, not \"" +
                        Narrow(IniValue(config, L"LastBaseURLNavigated")) + "\"");
  ExitThroughTray(run, controller);
  Check(WaitGone(panel, 5000), "Exit takes the panel out of the browser window");
}

// Excluded addresses get no panel; moving to one releases the panel, moving back makes a
// new one. The fragment list, empty by default, is read again at every check, so a value
// written while the client runs takes effect at a later tick. The panels start on the
// stop marker, so that they load no page.
void PanelExcludedAddress(const std::wstring& exe) {
  const std::wstring config = ConfigOf(exe);
  WriteConfig(exe, "LastBaseURLNavigated=stoppostbacks\r\n");
  ClientRun run(exe, L"");
  HWND controller = StartedController(run, exe);
  HWND status = OpenStatusBox(run, controller);
  Fakefox fox(kExcluded, L"Blank");
  ::Sleep(4000);  // four ticks
  Check(FindDescendant(fox.Browser(), kPanelClass) == nullptr, "about:blank gets no panel");

  fox.GoTo(kSite, L"Example Page");
  HWND first = WaitPanel(fox, status, "a followed address gets a panel in the same browser window");
  Check(TitleOf(first) == kSite, "the panel's title is the followed address");
  // Once made, the panel is shown and laid out at its collapsed place: its left edge 30
  // pixels (FLT_WND_X_OFFSET) left of the browser's right edge, its bottom 15 above the
  // bottom, at its first size of 1 x 1.
  RECT client{};
  ::GetClientRect(fox.Browser(), &client);
  const RECT collapsed{client.right - 30, client.bottom - 16, client.right - 29,
                       client.bottom - 15};
  RECT placed{};
  for (DWORD start = ::GetTickCount(); ::GetTickCount() - start < kPanelMs; ::Sleep(50)) {
    ::GetWindowRect(first, &placed);
    ::MapWindowPoints(nullptr, fox.Browser(), reinterpret_cast<POINT*>(&placed), 2);
    if ((::GetWindowLongW(first, GWL_STYLE) & WS_VISIBLE) && ::EqualRect(&placed, &collapsed))
      break;
  }
  Check((::GetWindowLongW(first, GWL_STYLE) & WS_VISIBLE) != 0, "the made panel is visible");
  Check(::EqualRect(&placed, &collapsed),
        "the panel stands at its collapsed place, not at " + std::to_string(placed.left) + "," +
            std::to_string(placed.top) + " (client area " + std::to_string(client.right) + " x " +
            std::to_string(client.bottom) + ")");

  fox.GoTo(kExcluded, L"Blank");
  Check(WaitGone(first, kPanelMs), "moving to about:blank releases the panel");
  ::Sleep(2000);
  Check(FindDescendant(fox.Browser(), kPanelClass) == nullptr,
        "no panel comes back while about:blank is shown");

  fox.GoTo(kSite, L"Example Page");
  HWND second = WaitPanel(fox, status, "going back to the followed address makes a new panel");
  Check(CountDescendants(fox.Browser(), kPanelClass) == 1, "the browser has one panel");

  Check(::WritePrivateProfileStringW(L"General", L"ExcludedInURL", L" nothing-here ; example.org ",
                                     config.c_str()),
        "ExcludedInURL is written");
  Check(WaitGone(second, kPanelMs),
        "ExcludedInURL written while running excludes the site at a later tick");
  ExitThroughTray(run, controller);
}

// Without the service the panel page cannot be loaded: the refused connection disables the
// client, which closes the panel, greys the tray menu and shows the "cannot connect"
// picture.
void OfflinePanelLoadFails(const std::wstring& exe) {
  const std::wstring config = ConfigOf(exe);
  WriteConfig(exe, "");
  ClientRun run(exe, L"");
  HWND controller = StartedController(run, exe);
  HWND status = OpenStatusBox(run, controller);
  Fakefox fox(kSite, L"Example Page");
  HWND panel = WaitPanel(fox, status, "the followed browser gets a panel");
  // The panel page's address: the minimised page, the empty client identifier and the
  // site's address as query values, escaped.
  const std::wstring failed = std::wstring(L"Error -2146697208 occurred while navigating to ") +
                              kMinimisedPage + L"?TavrelZephquillID=&TavrelZephquillURL=" +
                              kSiteEscaped + L"\n";
  bool told = WaitControlText(status, failed, 2 * kPanelMs);
  Check(told,
        "the status window tells that the panel page met a refused connection (0x800C0008);"
        " it shows \"" +
            Narrow(ControlText(status, 2000)) + "\"");
  Check(WaitGone(panel, 10000), "disabling closes the panel");

  // The tray shows the "cannot connect" picture (197), not that of a disable by the user
  // (196), nor an enabled one.
  TrayPictureMatch shown;
  for (DWORD start = ::GetTickCount(); ::GetTickCount() - start < 5000; ::Sleep(200)) {
    shown = ShownTrayPicture(exe, {128, 194, 196, 197, 198});
    if (shown.id == 197 && shown.difference < shown.runnerUp / 2) break;
  }
  Check(shown.id == 197 && shown.difference < shown.runnerUp / 2,
        "the tray shows picture 197, not " + std::to_string(shown.id) + " (differences " +
            std::to_string(shown.difference) + " and " + std::to_string(shown.runnerUp) + ")");

  // The tray menu is the disabled one: "Share My Location" is grey and does nothing.
  PickFromTrayMenu(run, 3);
  ::Sleep(1000);
  Check(IniValue(config, L"ShowOthersMyLocation").empty(),
        "the disabled menu's \"Share My Location\" does nothing");
  ExitThroughTray(run, controller);
  ::DeleteFileW(config.c_str());
}

// A page opens a floating panel. With the focus in its web control, F5 reaches the
// control's accelerator handling (WM_FORWARDMSG from the panel's filter, then the control's
// TranslateAccelerator); Escape closes the panel. Keys are posted to the focus window, as
// the system queues them: under Wine, keyboard input does not reach a thread without focus.
// (A held F5 would also be posted to the panel's BrowserWindow and then dispatched.)
void FloatingPanelKeys(const std::wstring& exe) {
  const std::wstring client = TestClientOf(exe);
  ::DeleteFileW(ConfigOf(client).c_str());
  ClientRun run(client, L"");
  HWND controller = StartedController(run, client);
  HWND notifications = NotificationControl(run.Pid(), 10000);
  Check(notifications != nullptr, "the notification window holds a web control");
  const std::wstring open = std::wstring(L"zqwndcmd::CMD:1226~wParam:") + kKeysPanel +
                            L";http://127.0.0.1:8701/panel/defaultminimize.aspx~lParam:0~";
  HWND panel = nullptr;
  for (DWORD start = ::GetTickCount(); !panel && ::GetTickCount() - start < 30000;) {
    Navigate(notifications, open);
    panel = WaitWindow(run.Pid(), kFloatingPanelClass, kKeysPanel, 2000);
  }
  Check(panel != nullptr, "a page's command opens the floating panel \"Keys Test\"");
  HWND control = WaitDescendant(panel, L"Shell Embedding", 10000);
  Check(control != nullptr, "the floating panel holds a web control");

  HeldKeys input(panel, {});  // none held: F5 is not down in the key state
  Check(input.Attached(), "the test shares the client's input state");
  ::SetFocus(control);
  HWND focus = ::GetFocus();
  Check(focus != nullptr && (focus == control || ::IsChild(control, focus)),
        "the focus is in the panel's web control");
  // Sent again until the client's loop takes it: while the panel's creation still waits
  // for its control's first document, keys are dispatched without the filters.
  // The test build's controls answer how many key-downs of a key reached their accelerator
  // handling.
  DWORD_PTR offered = 0;
  for (DWORD start = ::GetTickCount(); offered == 0 && ::GetTickCount() - start < 20000;) {
    ::PostMessageW(focus, WM_KEYDOWN, VK_F5, 0);
    ::Sleep(500);
    ::SendMessageTimeoutW(control, kKeysOffered, VK_F5, 0, SMTO_ABORTIFHUNG, 5000, &offered);
  }
  Check(offered > 0, "F5 reaches the control's accelerator handling");
  ::PostMessageW(focus, WM_KEYDOWN, VK_ESCAPE, 0);
  Check(WaitGone(panel, 10000), "Escape closes the floating panel");
  ExitThroughTray(run, controller);
}

const TestRegistration kPanelTests[] = {
    {"floating_panel_keys", FloatingPanelKeys},
    {"panel_attaches", PanelAttaches},
    {"panel_excluded_address", PanelExcludedAddress},
    {"offline_panel_load_fails", OfflinePanelLoadFails},
};

}  // namespace
}  // namespace zq::e2e
