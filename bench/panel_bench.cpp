// Benchmarks of the panel's per-placement and per-address work: the rounded region built
// at every placement, the panel page address composed at every address change, and the
// remembered rectangle read at every size request of a floating panel.
#include <benchmark/benchmark.h>

#include <string>

#include "panel/PanelGeometry.h"
#include "panel/ZephquillWnd.h"

namespace {

void BM_RoundRegion(benchmark::State& state) {
  const int width = static_cast<int>(state.range(0));
  const int height = static_cast<int>(state.range(1));
  for (auto _ : state) benchmark::DoNotOptimize(zq::PanelGeometry::RoundRegion(width, height, 7));
}
BENCHMARK(BM_RoundRegion)->Args({300, 200})->Args({1160, 900});

void BM_ComposePanelAddress(benchmark::State& state) {
  const std::wstring base = L"http://127.0.0.1:8701/panel/defaultminimize.aspx";
  const std::wstring site =
      L"http://www.shop.example/catalogue/garden/chairs?colour=green&size=large&page=3"
      L"&sort=price#reviews";
  for (auto _ : state)
    benchmark::DoNotOptimize(zq::ZephquillWnd::ComposePanelAddress(base, L"", L"client-42", site));
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                          static_cast<int64_t>(site.size() * sizeof(wchar_t)));
}
BENCHMARK(BM_ComposePanelAddress);

void BM_ParseRemembered(benchmark::State& state) {
  const std::wstring text = L"10200 0200 10600 0500";
  for (auto _ : state) benchmark::DoNotOptimize(zq::PanelGeometry::ParseRemembered(text));
}
BENCHMARK(BM_ParseRemembered);

}  // namespace
