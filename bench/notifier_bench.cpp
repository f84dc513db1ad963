// Benchmarks of the notifier popup: cutting the region out of the 204 x 155 skin, and one
// whole notification (slide out, stay, slide back) on the simulated desktop.
#include <benchmark/benchmark.h>

#include <filesystem>

#include "app/Messages.h"
#include "platform/sim/sim_desktop.h"
#include "resources/ResourceTable.h"
#include "shell/TaskbarNotifier.h"

namespace {

void BM_NotifierRegionFromSkin(benchmark::State& state) {
  zq::Bitmap skin = *zq::resources::BitmapById(zq::IDB_NOTIFIER_SKIN);
  for (auto _ : state) {
    auto rects = zq::CTaskbarNotifier::GenerateRegion(skin, 0xFF00FF);
    benchmark::DoNotOptimize(rects.data());
  }
}
BENCHMARK(BM_NotifierRegionFromSkin);

// Dispatches the calling thread's messages for `ms` of virtual time.
class Stopper : public zq::WindowHandler {
 public:
  zq::LResult OnMessage(zq::WindowHandle window, unsigned message, zq::WParam wParam,
                        zq::LParam lParam) override {
    if (message == zq::wm::Timer && wParam == 1) zq::Plat().windows().EndModal(window, 0);
    return zq::Plat().windows().DefaultProc(window, message, wParam, lParam);
  }
};

// Show with the controller's times (300 ms out, 1 s stay, 200 ms back): 57 timer ticks,
// each moving the window and, while it grows, painting it.
void BM_NotifierWholeNotification(benchmark::State& state) {
  auto root = std::filesystem::temp_directory_path() / "zq_notifier_bench";
  zq::sim::Desktop desktop(root.string());
  bool done = false;
  desktop.Run([&] {
    desktop.StartProcess(L"C:\\bench.exe", L"bench.exe", [&] {
      zq::Windows& w = zq::Plat().windows();
      Stopper stopper;
      zq::WindowSpec desc;
      desc.className = L"Stopper";
      desc.style = zq::ws::Popup;
      desc.handler = &stopper;
      zq::WindowHandle clock = w.Create(desc);
      zq::CTaskbarNotifier notifier;
      notifier.Create(clock);
      notifier.SetSkin(zq::IDB_NOTIFIER_SKIN, 255, 0, 255);
      for (auto _ : state) {
        notifier.Show(L"Someone wrote about this site", 300, 1000, 200);
        w.SetTimer(clock, 1, 1600);
        w.RunModalLoop(clock);
        w.KillTimer(clock, 1);
      }
      done = true;
      return 0;
    });
    desktop.Block([&] { return done; }, zq::sim::kNever);
  });
  std::filesystem::remove_all(root);
}
BENCHMARK(BM_NotifierWholeNotification);

}  // namespace
