// Benchmarks of the automation registration script (read, apply, remove) and of the image
// check that every downloaded update goes through.
#include <benchmark/benchmark.h>

#include "app/Text.h"
#include "automation/RegistryScript.h"
#include "controller/AutoUpdater.h"
#include "platform/sim/sim_internet.h"
#include "platform/sim/sim_registry.h"
#include "resources/ResourceTable.h"

namespace {

const std::wstring& ClassScript() {
  static const std::wstring text = zq::FromUtf8(*zq::resources::Raw(L"REGISTRY", 104));
  return text;
}

void BM_RegistryScript_Parse(benchmark::State& state) {
  for (auto _ : state)
    benchmark::DoNotOptimize(zq::CRegistryScript::Parse(
        ClassScript(), {{L"MODULE", L"C:\\PROGRA~1\\ZEPHQU~1\\ZEPHQU~1.EXE"}}));
}
BENCHMARK(BM_RegistryScript_Parse);

void BM_RegistryScript_RegisterAndUnregister(benchmark::State& state) {
  zq::CRegistryScript script = zq::CRegistryScript::Parse(
      ClassScript(), {{L"MODULE", L"C:\\PROGRA~1\\ZEPHQU~1\\ZEPHQU~1.EXE"}});
  zq::sim::SimRegistry registry;
  for (auto _ : state) {
    script.Register(registry);
    script.Unregister(registry);
  }
}
BENCHMARK(BM_RegistryScript_RegisterAndUnregister);

void BM_ImageMachine(benchmark::State& state) {
  std::string header = zq::sim::FakeImage(0x014C, zq::CAutoUpdater::kHeaderBytes);
  for (auto _ : state) benchmark::DoNotOptimize(zq::CAutoUpdater::ImageMachine(header));
}
BENCHMARK(BM_ImageMachine);

}  // namespace
