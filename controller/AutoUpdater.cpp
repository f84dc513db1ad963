// The self-update: download over the internet seam into the temporary directory, checks
// that the file is complete, fits this machine and is signed by a trusted key, and the
// exchange with rollback. Every refusal is explained in the status window.
#include "controller/AutoUpdater.h"

#include <algorithm>
#include <utility>

#include "app/ControllerAccess.h"
#include "app/Text.h"
#include "controller/UpdateSignature.h"
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

bool IsRedirect(unsigned status) {
  return status == 301 || status == 302 || status == 303 || status == 307 || status == 308;
}

// `location` resolved against the address whose reply named it.
std::wstring Resolve(const std::wstring& address, const std::wstring& location) {
  const std::size_t schemeEnd = address.find(L"://");
  if (location.find(L"://") != std::wstring::npos || schemeEnd == std::wstring::npos)
    return location;
  if (location.compare(0, 2, L"//") == 0) return address.substr(0, schemeEnd + 1) + location;
  const std::size_t pathStart =
      std::min(address.find_first_of(L"/?#", schemeEnd + 3), address.size());
  const std::wstring root = address.substr(0, pathStart);
  if (!location.empty() && location[0] == L'/') return root + location;
  const std::wstring path =
      address.substr(pathStart, address.find_first_of(L"?#", pathStart) - pathStart);
  const std::size_t lastSlash = path.rfind(L'/');
  return root + (lastSlash == std::wstring::npos ? L"/" : path.substr(0, lastSlash + 1)) + location;
}

}  // namespace

CAutoUpdater::CAutoUpdater() : CAutoUpdater(BuiltInUpdateKeys()) {}

CAutoUpdater::CAutoUpdater(std::vector<TrustedKey> keys) : keys_(std::move(keys)) {
  session_ = Plat().internet().Open(L"AutoUpdateAgent");
}

CAutoUpdater::~CAutoUpdater() {
  if (session_) Plat().internet().Close(session_);
}

bool CAutoUpdater::IsConnected() { return session_ != 0 && Plat().internet().ConnectedState(); }

bool CAutoUpdater::Refuse(const std::wstring& why) {
  refusal_ = why;
  ControllerStatusLine(L"Update refused: " + why + L".\r\n");
  return false;
}

std::wstring CAutoUpdater::OriginOf(const std::wstring& address) {
  const std::size_t schemeEnd = address.find(L"://");
  if (schemeEnd == std::wstring::npos || schemeEnd == 0) return std::wstring();
  const std::size_t hostEnd = address.find_first_of(L"/?#", schemeEnd + 3);
  std::wstring origin = ToLower(address.substr(0, hostEnd));
  if (origin.size() == schemeEnd + 3) return std::wstring();
  const std::pair<std::wstring, std::wstring> defaultPorts[] = {{L"http://", L":80"},
                                                                {L"https://", L":443"}};
  for (const auto& [scheme, port] : defaultPorts) {
    if (origin.compare(0, scheme.size(), scheme) == 0 &&
        origin.size() > scheme.size() + port.size() &&
        origin.compare(origin.size() - port.size(), port.size(), port) == 0)
      origin.erase(origin.size() - port.size());
  }
  return origin;
}

InternetHandle CAutoUpdater::OpenUrl(std::wstring& address) {
  Internet& net = Plat().internet();
  std::optional<std::wstring> canonical = net.Canonicalize(address);
  if (!canonical) return 0;
  address = *canonical;
  const std::wstring origin = OriginOf(address);
  const unsigned flags = kInternetReloadFlags | kInternetNoAutoRedirect;
  InternetHandle request = net.OpenUrl(session_, address, flags);
  for (int hop = 0; request && IsRedirect(net.StatusCode(request)); ++hop) {
    std::optional<std::wstring> location = net.Location(request);
    std::optional<std::wstring> next;
    if (location) next = net.Canonicalize(Resolve(address, *location));
    if (!next || hop == kMaxRedirects || origin.empty() || OriginOf(*next) != origin) {
      Refuse(L"the address " + address + L" redirects to " +
             (location ? *location : std::wstring(L"no address")) +
             (hop == kMaxRedirects ? L", one redirect too many" : L", outside " + origin));
      return request;
    }
    net.Close(request);
    address = *next;
    request = net.OpenUrl(session_, address, flags);
  }
  return request;
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
  // An error page or a redirect is no executable: nothing is written for it (a redirect
  // elsewhere has been explained already).
  const unsigned status = net.StatusCode(request);
  if (status != 200)
    return IsRedirect(status) && !refusal_.empty()
               ? false
               : Refuse(L"the download answered with status " + std::to_wstring(status));
  std::optional<std::uint64_t> announced = net.ContentLength(request);
  std::unique_ptr<Sha256> hash = NewSha256();
  std::uint64_t total = 0;
  std::string header;
  std::wstring broken;
  {
    FileCloser out{p.processes(), p.processes().CreateNewFile(path)};
    if (!out.file) return Refuse(L"the file " + path + L" cannot be created");
    char buffer[kChunk];
    for (;;) {
      unsigned read = 0;
      if (!net.Read(request, buffer, kChunk, read)) {
        broken = L"the connection broke after " + std::to_wstring(total) + L" bytes";
        break;
      }
      if (read == 0) break;
      if (p.processes().WriteToFile(out.file, buffer, read) < read) {
        broken = L"the file " + path + L" could not be written whole";
        break;
      }
      hash->Add(buffer, read);
      total += read;
      if (header.size() < kHeaderBytes)
        header.append(buffer, std::min<size_t>(read, kHeaderBytes - header.size()));
    }
  }
  digest_ = hash->Finish();
  std::optional<std::uint64_t> imageEnd = ImageEnd(header);
  if (broken.empty() && total == 0) broken = L"the download is empty";
  if (broken.empty() && announced && *announced != total)
    broken = L"the download has " + std::to_wstring(total) + L" bytes, the reply announced " +
             std::to_wstring(*announced);
  if (broken.empty() && (ImageMachine(header) != p.processes().ModuleMachine() || !imageEnd))
    broken = L"the download is no executable for this machine";
  if (broken.empty() && total < *imageEnd)
    broken = L"the executable is cut off at " + std::to_wstring(total) + L" of its " +
             std::to_wstring(*imageEnd) + L" bytes";
  if (broken.empty()) return true;
  // A cut, short or foreign file must never reach the executable's place.
  p.processes().DeleteFile(path);
  return Refuse(broken);
}

std::string CAutoUpdater::ReadSmall(InternetHandle request, std::size_t limit, bool& complete) {
  Internet& net = Plat().internet();
  std::string bytes;
  char buffer[kChunk];
  complete = false;
  while (bytes.size() <= limit) {
    unsigned read = 0;
    if (!net.Read(request, buffer, kChunk, read)) return bytes;
    if (read == 0) {
      complete = true;
      return bytes;
    }
    bytes.append(buffer, read);
  }
  return bytes;  // longer than the limit: not complete
}

bool CAutoUpdater::SignatureHolds(std::wstring address) {
  Internet& net = Plat().internet();
  InternetHandle request = OpenUrl(address);
  if (!request) return Refuse(L"the signature " + address + L" cannot be opened");
  const unsigned status = net.StatusCode(request);
  bool complete = false;
  std::string text;
  if (status == 200) text = ReadSmall(request, kMaxSignatureFileSize, complete);
  net.Close(request);
  if (status != 200)
    return IsRedirect(status) && !refusal_.empty()
               ? false
               : Refuse(L"the service offers no signature (" + address + L" answered status " +
                        std::to_wstring(status) + L")");
  if (!complete && text.size() <= kMaxSignatureFileSize)
    return Refuse(L"the connection broke while reading the signature");
  std::string why;
  if (CheckUpdateSignature(digest_, text, keys_, &why)) return true;
  return Refuse(FromUtf8(why));
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
  refusal_.clear();
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
  // Only a file that the service signed may run: anything else is deleted unused.
  if (!SignatureHolds(address + L".sig")) {
    p.processes().DeleteFile(downloaded);
    return DownloadFailed;
  }
  return SwapExecutable(exe, downloaded, false) ? Updated : SwapFailed;
}

}  // namespace zq
