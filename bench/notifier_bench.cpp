// Benchmarks of the notifier popup: cutting the region out of the 204 x 155 skin (and, as its
// reference, the same cut with one pixel read per call), and one whole notification (slide
// out, stay, slide back) on the simulated desktop.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <memory>
#include <vector>

#include "app/Messages.h"
#include "bench/pixel_source.h"
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

// The same runs, bottom row first, with every pixel asked of a source one call at a time.
std::vector<zq::Rect> RegionByPixelReads(const zqbench::PixelSource& source, int width, int height,
                                         std::uint32_t key) {
  std::vector<zq::Rect> rects;
  rects.reserve(40);
  for (int row = height - 1; row >= 0; --row) {
    int start = -1;
    for (int x = 0; x < width; ++x) {
      bool opaque = (source.Pixel(x, row) & 0xFFFFFF) != key;
      bool last = x == width - 1;
      if (start < 0) {
        if (!opaque) continue;
        start = x;
        if (!last) continue;
      }
      if (!opaque || last) {
        rects.push_back(zq::Rect{start, row, (opaque && last) ? x + 1 : x, row + 1});
        start = -1;
      }
    }
  }
  return rects;
}

void BM_NotifierRegionPerPixelReads(benchmark::State& state) {
  zq::Bitmap skin = *zq::resources::BitmapById(zq::IDB_NOTIFIER_SKIN);
  std::unique_ptr<zqbench::PixelSource> source = zqbench::PixelsOf(skin);
  if (RegionByPixelReads(*source, skin.width, skin.height, 0xFF00FF) !=
      zq::CTaskbarNotifier::GenerateRegion(skin, 0xFF00FF)) {
    state.SkipWithError("the per-pixel scan and the region differ");
    return;
  }
  for (auto _ : state) {
    auto rects = RegionByPixelReads(*source, skin.width, skin.height, 0xFF00FF);
    benchmark::DoNotOptimize(rects.data());
  }
  state.counters["pixels"] = static_cast<double>(skin.width) * skin.height;
}
BENCHMARK(BM_NotifierRegionPerPixelReads);

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
BENCHMARK(BM_NotifierWholeNotification)->MeasureProcessCPUTime();

}  // namespace
