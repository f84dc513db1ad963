// Benchmarks of building a report line: the system-text path (with and without the
// cached text) and the component-description path, beside the plain concatenation of a
// line of the same shape.
#include <benchmark/benchmark.h>

#include <cwchar>

#include "app/ErrorReport.h"

namespace {

const std::wstring kText =
    L"Cannot update client to most up to date version. You may download "
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

// The same line put together from known parts: text, the code in hex and a fixed message,
// with no lookup and no choice of description.
void BM_Ref_ConcatenateErrorLine(benchmark::State& state) {
  const std::wstring message = L"Access is denied.";
  for (auto _ : state) {
    wchar_t hex[9];
    std::swprintf(hex, 9, L"%08X", 0x80070005u);
    std::wstring line;
    line.reserve(kText.size() + message.size() + 48);
    line += kText;
    line += L". Error Code = 0x";
    line += hex;
    line += L", Error Message: ";
    line += message;
    benchmark::DoNotOptimize(line);
  }
}
BENCHMARK(BM_Ref_ConcatenateErrorLine);

}  // namespace
