// Benchmark of how soon a panel follows its browser's resize: an owned pop-up through the
// window events, against a child panel that is laid out again only at the 1-second tick.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <functional>

#include "app/ClientApp.h"
#include "app/ClientProcess.h"
#include "app/Messages.h"
#include "app/PanelRegistry.h"
#include "controller/ClientDlg.h"
#include "controller/browser/BrowserDetection.h"
#include "panel/ZephquillWnd.h"
#include "platform/sim/sim_browsers.h"
#include "platform/sim/sim_desktop.h"
#include "platform/sim/sim_profile.h"

namespace {

using namespace zq;

// Runs the follow request on the client's main thread, inside one message to the controller.
struct FollowOnMain : WindowHandler {
  WindowHandler* inner = nullptr;
  ActiveBrowserInfo info;
  LResult OnMessage(WindowHandle h, unsigned m, WParam wp, LParam lp) override {
    if (m != wm::App + 0x3A0) return inner->OnMessage(h, m, wp, lp);
    App()->Controller->FollowBrowser(info);
    return 0;
  }
};

// Arg 0: a pop-up on a window that draws its own frame, following the window events.
// Arg 1: a child panel in the simulated Firefox, laid out again at the tick.
// Counter virtual_ms: virtual milliseconds from the resize until the panel stands at its new
// corner, resizes spread over the tick's period (the time per iteration is the client's work
// for one resize, and for the tick mode also the ticks between resizes).
void BM_PanelFollowsResize(benchmark::State& state) {
  const bool events = state.range(0) == 0;
  auto root = std::filesystem::temp_directory_path() / "zq_panel_follow_bench";
  std::filesystem::remove_all(root);
  sim::Desktop desktop(root.string());
  std::filesystem::create_directories(desktop.HostPath(L"C:\\Program Files\\Zephquill"));
  desktop.profile().WriteString(L"General", L"LastBaseURLNavigated", L"stoppostbacks",
                                L"C:\\Program Files\\Zephquill\\ZQConfig.ini");
  desktop.Run([&] {
    sim::SimBrowsers& browsers = sim::Browsers(desktop);
    browsers.Open("b", sim::FakeKind::Firefox, L"http://example.com/news", L"News");
    std::uint32_t pid = desktop.StartProcess(
        L"C:\\Program Files\\Zephquill\\ZephquillClient.exe",
        L"\"C:\\Program Files\\Zephquill\\ZephquillClient.exe\"", [] { return ClientMain(); });
    desktop.SleepMs(6000);  // the Firefox panel is made at the first ticks
    Windows& w = desktop.Process(browsers.Pid())->windows();
    WindowHandle browser = browsers.Find("b")->frame;
    if (events) {
      WindowSpec desc;
      desc.className = L"Chrome_WidgetWin_1";
      desc.style = ws::Popup | ws::Visible;
      desc.rect = Rect{100, 80, 1000, 760};
      browser = w.Create(desc);
      w.SetForeground(browser);
      BindThread(desktop.Process(pid));
      WindowHandle controller = App()->Controller->Hwnd();
      BindThread(nullptr);
      FollowOnMain follow;
      follow.info = {browser, L"http://example.com/", PanelHosting::OwnedPopup};
      follow.inner = desktop.Window(controller)->handler;
      desktop.Window(controller)->handler = &follow;
      desktop.Process(pid)->windows().Send(controller, wm::App + 0x3A0, 0, 0);
      desktop.Window(controller)->handler = follow.inner;
    }
    BindThread(desktop.Process(pid));
    ZephquillWnd* panel = nullptr;
    WindowHandle reference = 0;  // the window the panel's corner is measured against
    for (auto& [h, record] : App()->BrowserPanels)
      if (record->Panel && record->Panel->OwnedPopup() == events) {
        panel = record->Panel.get();
        reference = record->BrowserWindow;
      }
    BindThread(nullptr);
    if (!panel) return state.SkipWithError("no panel");
    // The panel's place relative to the browser: 30 in from the right, 15 up from the bottom.
    auto placed = [&] {
      Rect b = w.WindowRect(reference), p = w.WindowRect(panel->Hwnd());
      return p.right == b.right - 29 && p.bottom == b.bottom - 15;
    };
    std::uint64_t waited = 0, resizes = 0;
    int grow = 0;
    for (auto _ : state) {
      grow = (grow + 7) % 200;
      Rect r{100, 80, 900 + grow, 700 + grow};
      // The tick's phase: a resize comes at any moment between two ticks.
      if (!events) desktop.SleepMs(static_cast<unsigned>(resizes * 337 % 1000));
      if (events)
        w.MoveWindow(browser, r);
      else
        browsers.Move("b", r);
      const std::uint64_t start = desktop.NowMs();
      desktop.SleepMs(0);
      while (!placed() && desktop.NowMs() - start < 2000) desktop.SleepMs(1);
      waited += desktop.NowMs() - start;
      ++resizes;
    }
    state.counters["virtual_ms"] = static_cast<double>(waited) / static_cast<double>(resizes);
  });
  std::filesystem::remove_all(root);
}
BENCHMARK(BM_PanelFollowsResize)->Arg(0)->Arg(1)->MeasureProcessCPUTime();

}  // namespace
