// Fuzz target of the simulated desktop's profile files: any bytes as the file; every section
// is read, then one key is written, and every other key must keep its value.
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "app/Text.h"
#include "fuzz/FuzzSupport.h"
#include "platform/sim/sim_profile.h"

namespace {

using zqfuzz::Require;
using Entries = std::vector<std::pair<std::wstring, std::wstring>>;

const wchar_t kPath[] = L"C:\\Zephquill\\ZQConfig.ini";
const wchar_t kValue[] = L"fuzz value";

// One scratch file per fuzzing process, removed after each input.
const std::string kHostFile = (std::filesystem::temp_directory_path() /
                               ("zq-profile-fuzz-" + std::to_string(getpid()) + ".ini"))
                                  .string();

// The names of the file's section headers, first occurrence of each (in any case).
std::vector<std::wstring> SectionNames(const std::string& bytes) {
  std::vector<std::wstring> names;
  // A UTF-8 byte-order mark is not part of the first line.
  const bool bom = bytes.rfind("\xEF\xBB\xBF", 0) == 0;
  for (std::wstring line : zqfuzz::SplitLines(zq::FromUtf8(bom ? bytes.substr(3) : bytes))) {
    line = zq::TrimSpace(line);
    if (line.empty() || line[0] != L'[') continue;
    const std::size_t close = line.find(L']');
    std::wstring name =
        zq::TrimSpace(line.substr(1, close == std::wstring::npos ? std::wstring::npos : close - 1));
    bool seen = false;
    for (const std::wstring& n : names) seen = seen || zq::EqualsNoCase(n, name);
    if (!seen) names.push_back(name);
  }
  return names;
}

// The entries expected after writing key = kValue into a section that had `before`.
Entries AfterWrite(Entries before, const std::wstring& key) {
  for (auto& [k, v] : before) {
    if (zq::EqualsNoCase(k, key)) {
      v = kValue;
      return before;
    }
  }
  before.emplace_back(key, kValue);
  return before;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  {
    std::ofstream out(kHostFile, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  }
  zq::sim::SimProfile profile([](const std::wstring&) { return kHostFile; });

  std::vector<std::wstring> names = SectionNames(bytes);
  std::vector<Entries> before;
  for (const std::wstring& name : names) before.push_back(profile.SectionEntries(kPath, name));

  // The first section's first key is replaced; with an odd size a new key is added.
  const std::wstring section = names.empty() ? L"General" : names[0];
  std::wstring key = L"AddedByFuzz";
  if (size % 2 == 0 && !before.empty() && !before[0].empty()) key = before[0][0].first;
  if (names.empty()) {
    names.push_back(section);
    before.emplace_back();
  }
  Require(profile.WriteString(section, key, kValue, kPath));

  std::wstring read;
  profile.ReadString(section, key, L"missing", read, 4096, kPath);
  Require(read == kValue);
  for (std::size_t i = 0; i < names.size(); ++i) {
    const Entries after = profile.SectionEntries(kPath, names[i]);
    Require(after == (i == 0 ? AfterWrite(before[i], key) : before[i]));
  }
  std::filesystem::remove(kHostFile);
  return 0;
}
