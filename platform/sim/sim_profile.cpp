// Profile (INI) files of the simulated desktop: parsing, lookup and in-place replacement of
// keys in real files, written atomically through a temporary file and a rename.
#include "platform/sim/sim_profile.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <mutex>
#include <optional>
#include <system_error>

#include "app/Text.h"

namespace fs = std::filesystem;

namespace zq::sim {

namespace {

constexpr char kBom[] = "\xEF\xBB\xBF";

// One lock for every profile file of every simulated process: a read never sees a write
// half done by another thread, and two writes never share the temporary file.
std::mutex& FilesLock() {
  static std::mutex lock;
  return lock;
}

// Writes through this class so far, under FilesLock.
std::uint64_t& Writes() {
  static std::uint64_t count = 0;
  return count;
}

// A profile file as lines without their line ends.
struct ProfileText {
  bool bom = false;
  std::vector<std::wstring> lines;
};

// Lines [header + 1, end) belong to the section whose header is at `header`.
struct SectionSpan {
  size_t header = 0;
  size_t end = 0;
};

std::vector<std::wstring> SplitLines(const std::wstring& text) {
  std::vector<std::wstring> lines;
  size_t start = 0;
  while (start < text.size()) {
    size_t nl = text.find(L'\n', start);
    size_t stop = nl == std::wstring::npos ? text.size() : nl;
    std::wstring line = text.substr(start, stop - start);
    if (!line.empty() && line.back() == L'\r') line.pop_back();
    lines.push_back(std::move(line));
    if (nl == std::wstring::npos) break;
    start = nl + 1;
  }
  return lines;
}

// The file's text; none when it is missing, not a regular file or cannot be read.
std::optional<ProfileText> Load(const fs::path& file) {
  std::error_code ec;
  if (!fs::is_regular_file(file, ec)) return std::nullopt;
  std::ifstream in(file, std::ios::binary);
  if (!in) return std::nullopt;
  std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (in.bad()) return std::nullopt;
  ProfileText text;
  if (bytes.compare(0, 3, kBom) == 0) {
    text.bom = true;
    bytes.erase(0, 3);
  }
  text.lines = SplitLines(FromUtf8(bytes));
  return text;
}

std::string Serialize(const ProfileText& text) {
  std::string bytes = text.bom ? kBom : "";
  for (const auto& line : text.lines) {
    bytes += ToUtf8(line);
    bytes += "\r\n";
  }
  return bytes;
}

// True for a section header "[name]"; `name` gets the text inside the brackets, trimmed.
bool ParseHeader(const std::wstring& line, std::wstring& name) {
  std::wstring t = TrimSpace(line);
  if (t.empty() || t[0] != L'[') return false;
  size_t close = t.find(L']');
  name = TrimSpace(t.substr(1, close == std::wstring::npos ? std::wstring::npos : close - 1));
  return true;
}

// True for a key line: "key=value", or a bare "key" that has an empty value. Blank lines,
// comments (";") and headers are not keys. Key and value come back trimmed.
bool ParseEntry(const std::wstring& line, std::wstring& key, std::wstring& value) {
  std::wstring t = TrimSpace(line);
  if (t.empty() || t[0] == L';' || t[0] == L'[') return false;
  size_t eq = t.find(L'=');
  if (eq == std::wstring::npos) {
    key = t;
    value.clear();
  } else {
    key = TrimSpace(t.substr(0, eq));
    value = TrimSpace(t.substr(eq + 1));
  }
  return true;
}

// Removes one pair of matching surrounding quotes, double or single.
std::wstring StripQuotes(const std::wstring& value) {
  if (value.size() >= 2 && (value.front() == L'"' || value.front() == L'\'') &&
      value.back() == value.front())
    return value.substr(1, value.size() - 2);
  return value;
}

// A default loses its trailing blanks, as with the Windows function.
std::wstring TrimTrailingBlanks(std::wstring text) {
  while (!text.empty() && (text.back() == L' ' || text.back() == L'\t')) text.pop_back();
  return text;
}

// The first section of that name; later sections of the same name are not looked at.
std::optional<SectionSpan> FindSection(const std::vector<std::wstring>& lines,
                                       const std::wstring& section) {
  std::wstring name;
  for (size_t i = 0; i < lines.size(); ++i) {
    if (!ParseHeader(lines[i], name) || !EqualsNoCase(name, section)) continue;
    SectionSpan span{i, lines.size()};
    for (size_t j = i + 1; j < lines.size(); ++j) {
      if (ParseHeader(lines[j], name)) {
        span.end = j;
        break;
      }
    }
    return span;
  }
  return std::nullopt;
}

std::optional<std::wstring> FindValue(const ProfileText& text, const std::wstring& section,
                                      const std::wstring& key) {
  auto span = FindSection(text.lines, section);
  if (!span) return std::nullopt;
  std::wstring k, v;
  for (size_t i = span->header + 1; i < span->end; ++i) {
    if (ParseEntry(text.lines[i], k, v) && EqualsNoCase(k, key)) return StripQuotes(v);
  }
  return std::nullopt;
}

// Replaces the key's line (keeping the key's spelling in the file) or adds the key after
// the last non-blank line of its section; adds the section at the end when it is missing.
void SetEntry(std::vector<std::wstring>& lines, const std::wstring& section,
              const std::wstring& key, const std::wstring& value) {
  auto span = FindSection(lines, section);
  if (!span) {
    lines.push_back(L"[" + section + L"]");
    lines.push_back(key + L"=" + value);
    return;
  }
  size_t insertAt = span->header + 1;
  std::wstring k, v;
  for (size_t i = span->header + 1; i < span->end; ++i) {
    if (ParseEntry(lines[i], k, v) && EqualsNoCase(k, key)) {
      lines[i] = k + L"=" + value;
      return;
    }
    if (!TrimSpace(lines[i]).empty()) insertAt = i + 1;
  }
  lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(insertAt), key + L"=" + value);
}

}  // namespace

std::uint64_t SimProfile::Stamp(const std::wstring& path) {
  std::string host = hostPath_ ? hostPath_(path) : std::string();
  if (host.empty()) return 1;
  std::lock_guard<std::mutex> lock(FilesLock());
  std::error_code ec;
  fs::path file = fs::u8path(host);
  auto size = fs::file_size(file, ec);
  if (ec) return (Writes() << 1) | 1;
  auto written = fs::last_write_time(file, ec).time_since_epoch().count();
  return (static_cast<std::uint64_t>(written) * 1000003u) ^ (size << 32) ^ (Writes() << 1) ^ 2;
}

SimProfile::SimProfile(HostPathFn hostPath) : hostPath_(std::move(hostPath)) {}

std::string SimProfile::TempPathFor(const std::string& hostPath) { return hostPath + ".zqtmp"; }

unsigned SimProfile::ReadString(const std::wstring& section, const std::wstring& key,
                                const std::wstring& def, std::wstring& out, unsigned size,
                                const std::wstring& path) {
  std::optional<std::wstring> value;
  std::string host = hostPath_ ? hostPath_(path) : std::string();
  if (!host.empty()) {
    std::lock_guard<std::mutex> lock(FilesLock());
    if (auto text = Load(fs::u8path(host))) value = FindValue(*text, section, key);
  }
  if (!value) value = TrimTrailingBlanks(def);
  if (size == 0) {
    out.clear();
    return 0;
  }
  // Like the Windows function: a value that does not fit is cut to size-1 characters.
  size_t n = std::min<size_t>(value->size(), size - 1);
  out.assign(*value, 0, n);
  return static_cast<unsigned>(n);
}

bool SimProfile::WriteString(const std::wstring& section, const std::wstring& key,
                             const std::wstring& value, const std::wstring& path) {
  std::string host = hostPath_ ? hostPath_(path) : std::string();
  if (host.empty()) return false;
  fs::path target = fs::u8path(host);
  std::lock_guard<std::mutex> lock(FilesLock());
  std::error_code ec;
  // Windows does not create missing directories for a profile file.
  fs::path dir = target.parent_path();
  if (!dir.empty() && !fs::is_directory(dir, ec)) return false;
  ProfileText text;
  if (fs::exists(target, ec)) {
    auto loaded = Load(target);
    if (!loaded) return false;  // a directory or an unreadable file: never overwrite it
    text = std::move(*loaded);
  }
  SetEntry(text.lines, section, key, value);
  std::string bytes = Serialize(text);

  std::string tempHost = TempPathFor(host);
  fs::path temp = fs::u8path(tempHost);
  {
    std::ofstream out(temp, std::ios::binary | std::ios::trunc);
    if (!out) return false;
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    out.close();
    if (!out) {
      fs::remove(temp, ec);
      return false;
    }
  }
  if (beforeReplace_ && !beforeReplace_(tempHost)) return false;
  fs::rename(temp, target, ec);
  ++Writes();
  if (ec) {
    std::error_code ignored;
    fs::remove(temp, ignored);
    return false;
  }
  return true;
}

std::vector<std::pair<std::wstring, std::wstring>> SimProfile::SectionEntries(
    const std::wstring& path, const std::wstring& section) {
  std::vector<std::pair<std::wstring, std::wstring>> entries;
  std::string host = hostPath_ ? hostPath_(path) : std::string();
  if (host.empty()) return entries;
  std::lock_guard<std::mutex> lock(FilesLock());
  auto text = Load(fs::u8path(host));
  if (!text) return entries;
  auto span = FindSection(text->lines, section);
  if (!span) return entries;
  std::wstring k, v;
  for (size_t i = span->header + 1; i < span->end; ++i) {
    if (ParseEntry(text->lines[i], k, v)) entries.emplace_back(k, StripQuotes(v));
  }
  return entries;
}

}  // namespace zq::sim
