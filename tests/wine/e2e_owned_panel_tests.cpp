// End-to-end test of the panel as an owned pop-up on a browser that draws its own frame, with
// the stand-in Chromium window (standin_chromium.exe) as that browser: made without taking
// the focus, it follows moves through window events, and hides while the browser is minimised.
#include <algorithm>
#include <chrono>

#include "tests/wine/e2e_checks.h"

namespace zq::e2e {
namespace {

const wchar_t kPanelClass[] = L"ZQFloatWndClassName";
const wchar_t kSite[] = L"http://www.example.org/zq-e2e/chromium.html";
constexpr UINT kFollowMessage = WM_APP + 0x5A3;  // test build only (test_build_hooks.cpp)

RECT Corner(HWND browser) {
  RECT b{};
  ::GetWindowRect(browser, &b);
  return RECT{b.right - 30, b.bottom - 16, b.right - 29, b.bottom - 15};
}

bool PlacedAt(HWND panel, const RECT& want) {
  RECT r{};
  return ::GetWindowRect(panel, &r) && ::EqualRect(&r, &want);
}

// The stand-in's executable is no browser's, so the client's tick leaves it alone: the panel
// comes from the test's follow request, and only the window events can move it afterwards.
void OwnedPanelFollowsChromium(const std::wstring& exe) {
  Session client(TestClientOf(exe),
                 (std::string(kNoHiddenPages) + "LastBaseURLNavigated=stoppostbacks\r\n").c_str());
  win32::test::HelperProcess standin(L"standin_chromium.exe", L"", L"Chrome_WidgetWin_1");
  HWND browser = Found(standin.frame(), "the stand-in Chromium window appears");
  ::SetForegroundWindow(browser);
  ATOM url = ::GlobalAddAtomW(kSite);
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

const TestRegistration kOwnedPanelTests[] = {
    {"owned_panel_follows_chromium", OwnedPanelFollowsChromium},
};

}  // namespace
}  // namespace zq::e2e
