// The self-update's download and exchange of the executable: one object per attempt,
// holding an internet session for its lifetime.
#pragma once
#include <cstdint>
#include <optional>
#include <string>

#include "controller/UpdateKeys.h"
#include "platform/crypto.h"
#include "platform/internet.h"

namespace zq {

class CAutoUpdater {
 public:
  // Results of Update.
  enum Result { Updated = 0, NoConnection = 1, CannotOpen = 2, DownloadFailed = 3, SwapFailed = 4 };
  // MoveFileExW flags.
  static constexpr unsigned kMoveCopyAllowed = 2, kMoveDelayUntilReboot = 4;
  // Bytes of the download kept for the image check; the image header lies within them.
  static constexpr std::size_t kHeaderBytes = 4096;
  // Redirects followed, each within the first address's origin, before a request gives up.
  static constexpr int kMaxRedirects = 5;

  // Opens the session ("AutoUpdateAgent", the system's proxy settings).
  CAutoUpdater();
  ~CAutoUpdater();
  CAutoUpdater(const CAutoUpdater&) = delete;
  CAutoUpdater& operator=(const CAutoUpdater&) = delete;

  // Trusts `keys` instead of the built-in update keys.
  explicit CAutoUpdater(std::vector<TrustedKey> keys);

  // Downloads base + the running executable's file name into the temporary directory,
  // checks its signature (the same address + ".sig", by one of the trusted keys) and
  // swaps it in. One of the results above; a refused file counts as a failed download.
  int Update(const std::wstring& base);
  bool IsConnected();
  // Replaces the address by its canonical form; returns the open request or 0. Redirects
  // are followed only within the address's own origin (scheme, host and port), and the
  // address becomes the last one followed; a redirect elsewhere is returned as it is (a
  // 3xx reply, which no download accepts).
  InternetHandle OpenUrl(std::wstring& address);
  // Writes the request's body into a new file at `path`. True only for a complete reply
  // (status 200, a body that is not empty and as long as announced) that is a whole
  // executable image for the running machine type; otherwise no file is left behind.
  // The body's SHA-256 digest is kept for the signature check.
  bool DownloadToFile(InternetHandle request, const std::wstring& path);
  // True when the signature file at `address` signs the last download by a trusted key.
  bool SignatureHolds(std::wstring address);
  // Moves `exe` to "OldExecutable.bak" beside it and `newFile` into its place; puts the old
  // one back when the second move fails.
  bool SwapExecutable(const std::wstring& exe, const std::wstring& newFile, bool onReboot);

  // The machine type in an executable image's header (the first bytes of the file); nothing
  // when they hold no image header.
  static std::optional<std::uint16_t> ImageMachine(const std::string& header);
  // The file size that an executable image needs: the end of its last section's data, as
  // its section table (within `header`) says; nothing when the header or the table is not
  // all there. A file shorter than that was cut off, even when the reply was complete.
  static std::optional<std::uint64_t> ImageEnd(const std::string& header);
  // "scheme://host[:port]" in lower case, the scheme's default port left out; empty when
  // the address has no scheme and host.
  static std::wstring OriginOf(const std::wstring& address);

  // Why the last attempt refused the download (empty when nothing was refused); the same
  // reason goes to the status window.
  const std::wstring& Refusal() const { return refusal_; }

 private:
  bool Refuse(const std::wstring& why);
  std::string ReadSmall(InternetHandle request, std::size_t limit, bool& complete);

  InternetHandle session_ = 0;
  std::vector<TrustedKey> keys_;
  Sha256Digest digest_{};
  std::wstring refusal_;
};

}  // namespace zq
