// Benchmark of one controller tick with no browser in front: the gate, the change test of
// the active window and the timer dispatch, on the simulated desktop.
#include <benchmark/benchmark.h>

#include <filesystem>

#include "app/ClientApp.h"
#include "app/ClientProcess.h"
#include "app/Messages.h"
#include "controller/ClientDlg.h"
#include "platform/sim/sim_desktop.h"

namespace {

void BM_ControllerTickNoBrowser(benchmark::State& state) {
  auto root = std::filesystem::temp_directory_path() / "zq_tick_bench";
  std::filesystem::remove_all(root);
  zq::sim::Desktop desktop(root.string());
  std::filesystem::create_directories(desktop.HostPath(L"C:\\Program Files\\Zephquill"));
  desktop.Run([&] {
    std::uint32_t pid = desktop.StartProcess(
        L"C:\\Program Files\\Zephquill\\ZephquillClient.exe",
        L"\"C:\\Program Files\\Zephquill\\ZephquillClient.exe\"", [] { return zq::ClientMain(); });
    desktop.SleepMs(5000);  // past start-up: tray icon and timer in place
    zq::sim::SimProcess* p = desktop.Process(pid);
    zq::BindThread(p);
    zq::CClientDlg* controller = zq::Proc().App->Controller;
    zq::WindowHandle hwnd = controller->Hwnd();
    for (auto _ : state) {
      // The tick exactly as the timer delivers it, on the controller's own thread.
      p->windows().Post(hwnd, zq::wm::Timer, zq::CONTROLLER_TIMER_ID, 0);
      desktop.SleepMs(0);
    }
    zq::BindThread(nullptr);
  });
  std::filesystem::remove_all(root);
}
BENCHMARK(BM_ControllerTickNoBrowser)->MeasureProcessCPUTime();

}  // namespace
