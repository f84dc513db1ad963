// Benchmarks of configuration reads and writes through the configuration file wrapper on a
// realistic file of about 100 settings (4 KB) kept on the host disk.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <string>

#include "app/Ini.h"
#include "app/Text.h"
#include "platform/sim/sim_profile.h"

namespace fs = std::filesystem;

namespace {

// A configuration directory with ZQConfig.ini holding 100 keys in section "General".
class ConfigFixture {
 public:
  ConfigFixture()
      : dir_(fs::temp_directory_path() / "zq_profile_bench"),
        profile_([this](const std::wstring&) { return (dir_ / "ZQConfig.ini").string(); }),
        ini_(profile_) {
    fs::remove_all(dir_);
    fs::create_directories(dir_);
    ini_.SetPathName(L"C:\\Program Files\\Zephquill\\ZQConfig.ini");
    for (int i = 0; i < 100; ++i) {
      std::wstring key = zq::Format(L"SettingNumber%03d", i);
      std::wstring value = zq::Format(L"Panel/page%03d.aspx", i);
      ini_.WriteString(L"General", key.c_str(), value.c_str());
    }
  }
  ~ConfigFixture() { fs::remove_all(dir_); }
  zq::CIni& ini() { return ini_; }
  std::uintmax_t FileSize() const { return fs::file_size(dir_ / "ZQConfig.ini"); }

 private:
  fs::path dir_;
  zq::sim::SimProfile profile_;
  zq::CIni ini_;
};

void BM_ReadSettingNearEnd(benchmark::State& state) {
  ConfigFixture config;
  for (auto _ : state) {
    std::wstring value = config.ini().GetString(L"General", L"SettingNumber097", L"");
    benchmark::DoNotOptimize(value);
  }
  state.counters["file_bytes"] = static_cast<double>(config.FileSize());
}
BENCHMARK(BM_ReadSettingNearEnd);

void BM_WriteSettingInPlace(benchmark::State& state) {
  ConfigFixture config;
  bool toggle = false;
  for (auto _ : state) {
    toggle = !toggle;
    bool ok = config.ini().WriteString(L"General", L"SettingNumber050",
                                       toggle ? L"true" : L"false");
    benchmark::DoNotOptimize(ok);
  }
}
BENCHMARK(BM_WriteSettingInPlace);

}  // namespace
