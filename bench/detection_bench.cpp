// Benchmarks of one browser-detection pass on the simulated desktop: Firefox in front, and
// Internet Explorer 7 with three tabs behind three folder windows in the shell's list.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <functional>

#include "controller/browser/BrowserDetection.h"
#include "platform/sim/sim_browsers.h"
#include "platform/sim/sim_desktop.h"

namespace {

// Runs `pass` as a client process's detection for every iteration.
void RunDetection(benchmark::State& state, const char* rootName,
                  const std::function<void(zq::sim::SimBrowsers&)>& setUp) {
  auto root = std::filesystem::temp_directory_path() / rootName;
  std::filesystem::remove_all(root);
  zq::sim::Desktop desktop(root.string());
  desktop.Run([&] {
    std::uint32_t pid = desktop.StartIdleProcess(L"C:\\client.exe", L"client");
    setUp(zq::sim::Browsers(desktop));
    zq::BindThread(desktop.Process(pid));
    for (auto _ : state) {
      zq::ActiveBrowserInfo info;
      zq::FindActiveBrowser(info);
      benchmark::DoNotOptimize(info.window);
    }
    zq::BindThread(nullptr);
  });
  std::filesystem::remove_all(root);
}

void BM_DetectFirefox(benchmark::State& state) {
  RunDetection(state, "zq_detect_bench_ff", [](zq::sim::SimBrowsers& b) {
    b.Open("ff", zq::sim::FakeKind::Firefox, L"http://news.example/today", L"News of today");
  });
}
BENCHMARK(BM_DetectFirefox)->MeasureProcessCPUTime();

void BM_DetectIE7ThreeTabsBehindFolders(benchmark::State& state) {
  RunDetection(state, "zq_detect_bench_ie7", [](zq::sim::SimBrowsers& b) {
    b.OpenFolder("a", zq::sim::FolderMode::FolderView);
    b.OpenFolder("b", zq::sim::FolderMode::NoBrowser);
    b.OpenFolder("c", zq::sim::FolderMode::NoDocument);
    b.Open("ie", zq::sim::FakeKind::IE7, L"http://one.example/", L"One");
    b.AddTab("ie", L"http://two.example/", L"Two");
    b.AddTab("ie", L"http://three.example/", L"Three");
  });
}
BENCHMARK(BM_DetectIE7ThreeTabsBehindFolders)->MeasureProcessCPUTime();

}  // namespace
