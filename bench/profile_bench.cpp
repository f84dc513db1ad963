// Benchmarks of configuration reads and writes through the configuration file wrapper on a
// realistic file of about 100 settings (4 KB) kept on the host disk, beside the bare file
// operations they cannot do without: reading the file, and replacing it by a rename.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <iterator>
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
  std::uintmax_t FileSize() const { return fs::file_size(HostFile()); }
  fs::path HostFile() const { return dir_ / "ZQConfig.ini"; }

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
    bool ok =
        config.ini().WriteString(L"General", L"SettingNumber050", toggle ? L"true" : L"false");
    benchmark::DoNotOptimize(ok);
  }
}
BENCHMARK(BM_WriteSettingInPlace);

std::string ReadWhole(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The same file read whole from disk, bytes only: no decoding, no search for the key.
void BM_Ref_ReadConfigFileBytes(benchmark::State& state) {
  ConfigFixture config;
  const fs::path file = config.HostFile();
  if (ReadWhole(file).size() != config.FileSize()) {
    state.SkipWithError("the file read short");
    return;
  }
  for (auto _ : state) benchmark::DoNotOptimize(ReadWhole(file));
}
BENCHMARK(BM_Ref_ReadConfigFileBytes);

// One rename of the file within its directory (back and forth), the step that makes a
// replacement atomic.
void BM_Ref_RenameConfigFile(benchmark::State& state) {
  ConfigFixture config;
  const fs::path file = config.HostFile();
  const fs::path other = file.parent_path() / "ZQConfig.ini.renamed";
  bool there = false;
  for (auto _ : state) {
    std::error_code ec;
    if (there)
      fs::rename(other, file, ec);
    else
      fs::rename(file, other, ec);
    there = !there;
    if (ec) {
      state.SkipWithError("rename failed");
      break;
    }
  }
}
BENCHMARK(BM_Ref_RenameConfigFile);

// The least a safe in-place write does: the whole file's bytes into a temporary beside it,
// then the rename over the file. No parsing, no change of the value.
void BM_Ref_WriteTempAndRename(benchmark::State& state) {
  ConfigFixture config;
  const fs::path file = config.HostFile();
  const fs::path temp = file.parent_path() / "ZQConfig.ini.tmp";
  const std::string bytes = ReadWhole(file);
  for (auto _ : state) {
    {
      std::ofstream out(temp, std::ios::binary | std::ios::trunc);
      out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    }
    std::error_code ec;
    fs::rename(temp, file, ec);
    if (ec) {
      state.SkipWithError("rename failed");
      break;
    }
  }
}
BENCHMARK(BM_Ref_WriteTempAndRename);

}  // namespace
