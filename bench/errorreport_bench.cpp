// Benchmarks of building a report line: the system-text path (with and without the
// cached text) and the component-description path.
#include <benchmark/benchmark.h>

#include "app/ErrorReport.h"

namespace {

const std::wstring kText = L"Cannot update client to most up to date version. You may download "
                           L"it from ZephquillHub site directly";

void BM_FormatErrorLine_SystemText(benchmark::State& state) {
  for (auto _ : state) {
    zq::ComError error(zq::hr::AccessDenied);  // fresh error: looks the text up each time
    benchmark::DoNotOptimize(zq::FormatErrorLine(kText, error));
  }
}
BENCHMARK(BM_FormatErrorLine_SystemText);

void BM_FormatErrorLine_CachedSystemText(benchmark::State& state) {
  zq::ComError error(zq::hr::Fail);
  for (auto _ : state) benchmark::DoNotOptimize(zq::FormatErrorLine(kText, error));
}
BENCHMARK(BM_FormatErrorLine_CachedSystemText);

void BM_FormatErrorLine_UnknownCode(benchmark::State& state) {
  for (auto _ : state) {
    zq::ComError error(static_cast<zq::HResult>(0x80041234u));
    benchmark::DoNotOptimize(zq::FormatErrorLine(kText, error));
  }
}
BENCHMARK(BM_FormatErrorLine_UnknownCode);

void BM_FormatErrorLine_ComponentDescription(benchmark::State& state) {
  zq::ComError error(static_cast<zq::HResult>(0x80040201u),
                     std::wstring(L"The page could not be shown because the server refused it"));
  for (auto _ : state) benchmark::DoNotOptimize(zq::FormatErrorLine(kText, error));
}
BENCHMARK(BM_FormatErrorLine_ComponentDescription);

}  // namespace
