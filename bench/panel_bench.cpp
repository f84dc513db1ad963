// Benchmarks of the panel's per-placement and per-address work: the rounded region built
// at every placement, the panel page address composed at every address change, and the
// remembered rectangle read at every size request of a floating panel; each beside the plain
// work of the same size (a copy of the bands, a concatenation, a scan of four numbers).
#include <benchmark/benchmark.h>

#include <cwchar>
#include <string>
#include <vector>

#include "panel/PanelGeometry.h"
#include "panel/ZephquillWnd.h"

namespace {

void BM_RoundRegion(benchmark::State& state) {
  const int width = static_cast<int>(state.range(0));
  const int height = static_cast<int>(state.range(1));
  for (auto _ : state) benchmark::DoNotOptimize(zq::PanelGeometry::RoundRegion(width, height, 7));
}
BENCHMARK(BM_RoundRegion)->Args({300, 200})->Args({1160, 900});

// A copy of the finished bands: the allocation and writing of the same output.
void BM_Ref_CopyRoundRegion(benchmark::State& state) {
  const std::vector<zq::Rect> bands = zq::PanelGeometry::RoundRegion(
      static_cast<int>(state.range(0)), static_cast<int>(state.range(1)), 7);
  for (auto _ : state) {
    std::vector<zq::Rect> copy(bands);
    benchmark::DoNotOptimize(copy.data());
  }
  state.counters["bands"] = static_cast<double>(bands.size());
}
BENCHMARK(BM_Ref_CopyRoundRegion)->Args({300, 200})->Args({1160, 900});

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

// The same address with the values pasted in as they are, nothing encoded.
void BM_Ref_ConcatenatePanelAddress(benchmark::State& state) {
  const std::wstring base = L"http://127.0.0.1:8701/panel/defaultminimize.aspx";
  const std::wstring site =
      L"http://www.shop.example/catalogue/garden/chairs?colour=green&size=large&page=3"
      L"&sort=price#reviews";
  const std::wstring id = L"client-42";
  for (auto _ : state)
    benchmark::DoNotOptimize(base + L"?" + L"TavrelZephquillID=" + id + L"&TavrelZephquillURL=" +
                             site);
}
BENCHMARK(BM_Ref_ConcatenatePanelAddress);

void BM_ParseRemembered(benchmark::State& state) {
  const std::wstring text = L"10200 0200 10600 0500";
  for (auto _ : state) benchmark::DoNotOptimize(zq::PanelGeometry::ParseRemembered(text));
}
BENCHMARK(BM_ParseRemembered);

// The four numbers read with the C library's scanner, no checks of the fields.
void BM_Ref_ScanFourNumbers(benchmark::State& state) {
  const std::wstring text = L"10200 0200 10600 0500";
  for (auto _ : state) {
    zq::Rect r;
    int n = std::swscanf(text.c_str(), L"%d %d %d %d", &r.left, &r.top, &r.right, &r.bottom);
    benchmark::DoNotOptimize(n);
    benchmark::DoNotOptimize(r);
  }
}
BENCHMARK(BM_Ref_ScanFourNumbers);

}  // namespace
