// Benchmark of the controller's steady-state tick: a followed browser in front whose
// address has not changed, so detection, the site rules and the registry run, no reload.
#include <benchmark/benchmark.h>

#include <filesystem>

#include "app/ClientApp.h"
#include "app/ClientProcess.h"
#include "app/Messages.h"
#include "controller/ClientDlg.h"
#include "platform/sim/sim_browsers.h"
#include "platform/sim/sim_desktop.h"
#include "platform/sim/sim_profile.h"

namespace {

// Arg: 0 Firefox, 1 Internet Explorer 6, 2 Internet Explorer 7 with three tabs; 3 Firefox
// with an "ExcludedInURL" value, so that the fragment list is not read again every tick.
void BM_TrackingTickFollowedBrowser(benchmark::State& state) {
  auto root = std::filesystem::temp_directory_path() / "zq_tracking_bench";
  std::filesystem::remove_all(root);
  zq::sim::Desktop desktop(root.string());
  std::filesystem::create_directories(desktop.HostPath(L"C:\\Program Files\\Zephquill"));
  if (state.range(0) == 3)
    desktop.profile().WriteString(L"General", L"ExcludedInURL", L"bank.example",
                                  L"C:\\Program Files\\Zephquill\\ZQConfig.ini");
  desktop.Run([&] {
    zq::sim::SimBrowsers& browsers = zq::sim::Browsers(desktop);
    const zq::sim::FakeKind kinds[] = {zq::sim::FakeKind::Firefox, zq::sim::FakeKind::IE6,
                                       zq::sim::FakeKind::IE7};
    browsers.Open("b", kinds[state.range(0) % 3], L"http://example.com/news", L"News");
    if (state.range(0) == 2) {
      browsers.AddTab("b", L"http://example.com/sport", L"Sport");
      browsers.AddTab("b", L"http://example.com/weather", L"Weather");
    }
    std::uint32_t pid = desktop.StartProcess(
        L"C:\\Program Files\\Zephquill\\ZephquillClient.exe",
        L"\"C:\\Program Files\\Zephquill\\ZephquillClient.exe\"", [] { return zq::ClientMain(); });
    desktop.SleepMs(6000);  // past start-up and two ticks: the panel is made and loaded
    zq::sim::SimProcess* p = desktop.Process(pid);
    zq::BindThread(p);
    zq::CClientDlg* controller = zq::Proc().App->Controller;
    zq::WindowHandle hwnd = controller->Hwnd();
    zq::BindThread(nullptr);
    if (controller->TrayIcon.Tooltip().rfind(L"Site: ", 0) != 0)
      state.SkipWithError("the browser is not followed");
    for (auto _ : state) {
      // The tick exactly as the timer delivers it, on the controller's own thread.
      p->windows().Post(hwnd, zq::wm::Timer, zq::CONTROLLER_TIMER_ID, 0);
      desktop.SleepMs(0);
    }
  });
  std::filesystem::remove_all(root);
}
BENCHMARK(BM_TrackingTickFollowedBrowser)->Arg(0)->Arg(1)->Arg(2)->Arg(3)->MeasureProcessCPUTime();

}  // namespace
