// Scenario commands for update and restart: the local date and time, downloads (an image's
// bytes, the announced length, a cut connection), files on the simulated disk; dump lines
// for the executable's folder and the temporary folder.
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <ostream>
#include <string>
#include <vector>

#include "app/Text.h"
#include "platform/sim/sim_desktop.h"
#include "platform/sim/sim_internet.h"
#include "service/UpdateSigner.h"
#include "tools/zqsim/Scenario.h"

namespace zq::sim {

namespace {

constexpr const wchar_t* kAppFolder = L"C:\\Program Files\\Zephquill";
constexpr const wchar_t* kTempFolder = L"C:\\Temp";

// "i686", "x86_64" or a number such as 0x1c0; -1 when malformed.
long ParseMachine(const std::string& word) {
  if (word == "i686") return 0x014C;
  if (word == "x86_64") return 0x8664;
  try {
    size_t used = 0;
    long v = std::stol(word, &used, 0);
    return used == word.size() && v >= 0 && v <= 0xFFFF ? v : -1;
  } catch (...) {
    return -1;
  }
}

std::string MachineName(std::uint16_t machine) {
  if (machine == 0x014C) return "i686";
  if (machine == 0x8664) return "x86_64";
  char buf[16];
  std::snprintf(buf, sizeof buf, "0x%04x", machine);
  return buf;
}

// Seconds since 1970 of "YYYY-MM-DD HH:MM:SS" on the simulated desktop's calendar (UTC).
bool ParseDateTime(const std::string& date, const std::string& time, std::int64_t& out) {
  int y, mo, d, h, mi, s;
  // The field counts and the ranges below are checked.
  // NOLINTBEGIN(cert-err34-c)
  if (std::sscanf(date.c_str(), "%d-%d-%d", &y, &mo, &d) != 3 ||
      std::sscanf(time.c_str(), "%d:%d:%d", &h, &mi, &s) != 3)
    return false;
  // NOLINTEND(cert-err34-c)
  if (mo < 1 || mo > 12 || d < 1 || d > 31 || h < 0 || h > 23 || mi < 0 || mi > 59 || s < 0 ||
      s > 59)
    return false;
  y -= mo <= 2;
  std::int64_t era = (y >= 0 ? y : y - 399) / 400;
  unsigned yoe = static_cast<unsigned>(y - era * 400);
  unsigned doy = (153 * (mo + (mo > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  std::int64_t days = era * 146097 + static_cast<std::int64_t>(doe) - 719468;
  out = days * 86400 + h * 3600 + mi * 60 + s;
  return true;
}

// A file name without a drive names a file in the executable's folder.
std::wstring WindowsPath(const std::string& word) {
  std::wstring path = FromUtf8(word);
  return path.find(L':') == std::wstring::npos ? std::wstring(kAppFolder) + L"\\" + path : path;
}

bool WriteHostFile(Desktop& d, const std::wstring& path, const std::string& bytes) {
  std::filesystem::path host = d.HostPath(path);
  std::error_code ec;
  std::filesystem::create_directories(host.parent_path(), ec);
  std::ofstream out(host, std::ios::binary | std::ios::trunc);
  out << bytes;
  return static_cast<bool>(out);
}

// download image URL MACHINE [SIZE] (signed with the test key) | download length URL N|none |
// download cut URL N | download connected on|off
bool Download(Desktop& d, const std::vector<std::string>& words) {
  SimInternet& net = InternetOf(d);
  if (words.size() == 3 && words[1] == "connected") {
    if (words[2] != "on" && words[2] != "off") return false;
    net.connected = words[2] == "on";
    return true;
  }
  if (words.size() < 4) return false;
  std::wstring prefix = FromUtf8(words[2]);
  if (words[1] == "image" && words.size() <= 5) {
    long machine = ParseMachine(words[3]);
    if (machine < 0) return false;
    std::size_t size = words.size() == 5 ? std::stoul(words[4]) : 4096;
    const std::string image = FakeImage(static_cast<std::uint16_t>(machine), size);
    net.quirks[prefix].body = image;
    // Signed as the service signs it, beside the executable's download.
    static const std::shared_ptr<const zqs::UpdateSigner> signer =
        zqs::UpdateSigner::FromPemFile(ZQ_TEST_SIGNING_KEY);
    const std::wstring file = prefix.back() == L'/' ? prefix + L"ZephquillClient.exe" : prefix;
    net.quirks[file + L".sig"].body = signer->Sign(image);
    return true;
  }
  if (words[1] == "length" && words.size() == 4) {
    SimDownloadQuirks& q = net.quirks[prefix];
    q.announces = words[3] != "none";
    if (q.announces) q.announced = std::stoull(words[3]);
    return true;
  }
  if (words[1] == "cut" && words.size() == 4) {
    net.quirks[prefix].cutAfter = std::stoul(words[3]);
    return true;
  }
  return false;
}

// file image PATH MACHINE [SIZE] | file text PATH TEXT... | file fail-move-to PATH [N] |
// file delete PATH, where PATH is a name in the executable's folder or a path with a drive
// and without spaces
bool File(Desktop& d, const std::vector<std::string>& words, const std::string& line) {
  if (words.size() < 3) return false;
  std::wstring path = WindowsPath(words[2]);
  if (words[1] == "image" && (words.size() == 4 || words.size() == 5)) {
    long machine = ParseMachine(words[3]);
    if (machine < 0) return false;
    std::size_t size = words.size() == 5 ? std::stoul(words[4]) : 4096;
    return WriteHostFile(d, path, FakeImage(static_cast<std::uint16_t>(machine), size));
  }
  if (words[1] == "text") return WriteHostFile(d, path, Scenario::RestAfter(line, 3));
  if (words[1] == "fail-move-to" && words.size() <= 4) {
    d.failMovesTo[ToLower(path)] = words.size() == 4 ? std::stoi(words[3]) : 1;
    return true;
  }
  if (words[1] == "delete" && words.size() == 3) {
    std::error_code ec;
    std::filesystem::remove(d.HostPath(path), ec);
    return true;
  }
  return false;
}

bool Command(Scenario& s, const std::vector<std::string>& words, const std::string& line,
             bool& ok) {
  Desktop& d = s.desktop();
  const std::string& cmd = words[0];
  if (cmd == "clock" && words.size() == 4 && words[1] == "set") {
    std::int64_t t = 0;
    ok = ParseDateTime(words[2], words[3], t);
    if (ok) {
      d.SetEpoch(t - static_cast<std::int64_t>(d.NowMs() / 1000));
      d.Trace("the local time is set to " + words[2] + " " + words[3]);
    }
    return true;
  }
  if (cmd == "download") {
    ok = Download(d, words);
    return true;
  }
  if (cmd == "file") {
    ok = File(d, words, line);
    return true;
  }
  if (cmd == "machine" && words.size() == 2) {
    long machine = ParseMachine(words[1]);
    ok = machine >= 0;
    if (ok) d.imageMachine = static_cast<std::uint16_t>(machine);
    return true;
  }
  return false;
}

// One line per file: its size and, for an executable image, its machine type. The
// configuration file has its own dump lines.
void DumpFolder(Desktop& d, const std::wstring& folder, const std::string& key,
                std::vector<std::string>& lines) {
  std::error_code ec;
  std::filesystem::directory_iterator it(d.HostPath(folder), ec), end;
  for (; !ec && it != end; it.increment(ec)) {
    if (!it->is_regular_file()) continue;
    std::string name = it->path().filename().string();
    if (EqualsNoCase(FromUtf8(name), L"ZQConfig.ini")) continue;
    std::ifstream in(it->path(), std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::string line = key + name + ": size=" + std::to_string(bytes.size());
    if (auto machine = ImageMachineOf(bytes)) line += " machine=" + MachineName(*machine);
    lines.push_back(line);
  }
}

void Dump(Scenario& s, std::vector<std::string>& lines) {
  Desktop& d = s.desktop();
  DumpFolder(d, kAppFolder, "file.", lines);
  DumpFolder(d, kTempFolder, "temp_file.", lines);
  if (d.imageMachine != 0x014C) lines.push_back("machine: " + MachineName(d.imageMachine));
}

const int registered = RegisterScenarioExtension({&Command, &Dump});

}  // namespace

}  // namespace zq::sim
