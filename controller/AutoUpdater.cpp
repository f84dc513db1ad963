// The self-update: download over the internet seam into the temporary directory, checks
// that the file is complete and fits this machine, and the exchange with rollback.
#include "controller/AutoUpdater.h"

#include <algorithm>

#include "platform/platform.h"

namespace zq {

namespace {

constexpr unsigned kChunk = 4096;

std::wstring AfterLastBackslash(const std::wstring& path) {
  size_t slash = path.rfind(L'\\');
  return slash == std::wstring::npos ? path : path.substr(slash + 1);
}

std::wstring BeforeLastBackslash(const std::wstring& path) {
  size_t slash = path.rfind(L'\\');
  return slash == std::wstring::npos ? std::wstring() : path.substr(0, slash);
}

// Closes a file on every way out.
struct FileCloser {
  Processes& processes;
  std::uintptr_t file;
  ~FileCloser() {
    if (file) processes.CloseFile(file);
  }
};

}  // namespace

CAutoUpdater::CAutoUpdater() { session_ = Plat().internet().Open(L"AutoUpdateAgent"); }

CAutoUpdater::~CAutoUpdater() {
  if (session_) Plat().internet().Close(session_);
}

bool CAutoUpdater::IsConnected() { return session_ != 0 && Plat().internet().ConnectedState(); }

InternetHandle CAutoUpdater::OpenUrl(std::wstring& address) {
  Internet& net = Plat().internet();
  std::optional<std::wstring> canonical = net.Canonicalize(address);
  if (!canonical) return 0;
  address = *canonical;
  return net.OpenUrl(session_, address, kInternetReloadFlags);
}

std::optional<std::uint16_t> CAutoUpdater::ImageMachine(const std::string& header) {
  auto byte = [&](size_t i) {
    return static_cast<std::uint32_t>(static_cast<unsigned char>(header[i]));
  };
  constexpr size_t kPeOffsetAt = 0x3C;
  if (header.size() < kPeOffsetAt + 4 || header[0] != 'M' || header[1] != 'Z') return std::nullopt;
  std::uint32_t pe = byte(kPeOffsetAt) | byte(kPeOffsetAt + 1) << 8 | byte(kPeOffsetAt + 2) << 16 |
                     byte(kPeOffsetAt + 3) << 24;
  // "PE\0\0" and the two bytes of the machine type must lie within the header.
  if (pe > header.size() || header.size() - pe < 6) return std::nullopt;
  if (header.compare(pe, 4, std::string("PE\0\0", 4)) != 0) return std::nullopt;
  return static_cast<std::uint16_t>(byte(pe + 4) | byte(pe + 5) << 8);
}

std::optional<std::uint64_t> CAutoUpdater::ImageEnd(const std::string& header) {
  if (!ImageMachine(header)) return std::nullopt;
  auto word = [&](size_t i) {
    return static_cast<std::uint32_t>(static_cast<unsigned char>(header[i])) |
           static_cast<std::uint32_t>(static_cast<unsigned char>(header[i + 1])) << 8;
  };
  auto dword = [&](size_t i) { return word(i) | word(i + 2) << 16; };
  const size_t pe = dword(0x3C);
  constexpr size_t kFileHeader = 24, kSectionSize = 40;
  if (header.size() - pe < kFileHeader) return std::nullopt;
  const size_t sections = word(pe + 6);
  const size_t table = pe + kFileHeader + word(pe + 20);
  if (table + sections * kSectionSize > header.size()) return std::nullopt;
  std::uint64_t end = table + sections * kSectionSize;
  for (size_t i = 0; i < sections; ++i) {
    const size_t entry = table + i * kSectionSize;
    const std::uint64_t rawSize = dword(entry + 16), rawStart = dword(entry + 20);
    if (rawSize != 0) end = std::max(end, rawStart + rawSize);
  }
  return end;
}

bool CAutoUpdater::DownloadToFile(InternetHandle request, const std::wstring& path) {
  Platform& p = Plat();
  Internet& net = p.internet();
  // An error page or a redirect is no executable: nothing is written for it.
  if (net.StatusCode(request) != 200) return false;
  std::optional<std::uint64_t> announced = net.ContentLength(request);
  std::uint64_t total = 0;
  std::string header;
  bool complete = false;
  {
    FileCloser out{p.processes(), p.processes().CreateNewFile(path)};
    if (!out.file) return false;
    char buffer[kChunk];
    for (;;) {
      unsigned read = 0;
      if (!net.Read(request, buffer, kChunk, read)) break;
      if (read == 0) {
        complete = true;
        break;
      }
      if (p.processes().WriteToFile(out.file, buffer, read) < read) break;
      total += read;
      if (header.size() < kHeaderBytes)
        header.append(buffer, std::min<size_t>(read, kHeaderBytes - header.size()));
    }
  }
  std::optional<std::uint64_t> imageEnd = ImageEnd(header);
  complete = complete && total > 0 && (!announced || *announced == total) &&
             ImageMachine(header) == p.processes().ModuleMachine() && imageEnd &&
             total >= *imageEnd;
  // A cut, short or foreign file must never reach the executable's place.
  if (!complete) p.processes().DeleteFile(path);
  return complete;
}

bool CAutoUpdater::SwapExecutable(const std::wstring& exe, const std::wstring& newFile,
                                  bool onReboot) {
  Processes& files = Plat().processes();
  unsigned flags = onReboot ? kMoveDelayUntilReboot : kMoveCopyAllowed;
  std::wstring backup = BeforeLastBackslash(exe) + L"\\" + L"OldExecutable.bak";
  files.DeleteFile(backup);
  if (!files.MoveFile(exe, backup, flags)) return false;
  if (files.MoveFile(newFile, exe, flags)) return true;
  files.DeleteFile(exe);
  files.MoveFile(backup, exe, flags);
  return false;
}

int CAutoUpdater::Update(const std::wstring& base) {
  if (!IsConnected()) return NoConnection;
  Platform& p = Plat();
  std::wstring exe = p.processes().ModulePath().substr(0, 260);
  std::wstring name = AfterLastBackslash(exe);
  std::wstring temp = p.processes().TempPath().substr(0, 260);
  std::wstring address = base + name;
  InternetHandle request = OpenUrl(address);
  if (!request) return CannotOpen;
  std::wstring downloaded = temp + name;
  bool ok = DownloadToFile(request, downloaded);
  p.internet().Close(request);
  if (!ok) return DownloadFailed;
  return SwapExecutable(exe, downloaded, false) ? Updated : SwapFailed;
}

}  // namespace zq
