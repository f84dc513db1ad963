// The self-update's download and exchange of the executable: one object per attempt,
// holding an internet session for its lifetime.
#pragma once
#include <cstdint>
#include <optional>
#include <string>

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

  // Opens the session ("AutoUpdateAgent", the system's proxy settings).
  CAutoUpdater();
  ~CAutoUpdater();
  CAutoUpdater(const CAutoUpdater&) = delete;
  CAutoUpdater& operator=(const CAutoUpdater&) = delete;

  // Downloads base + the running executable's file name into the temporary directory and
  // swaps it in. One of the results above.
  int Update(const std::wstring& base);
  bool IsConnected();
  // Replaces the address by its canonical form; returns the open request or 0.
  InternetHandle OpenUrl(std::wstring& address);
  // Writes the request's body into a new file at `path`. True only for a complete reply
  // (status 200, a body that is not empty and as long as announced) that is a whole
  // executable image for the running machine type; otherwise no file is left behind.
  bool DownloadToFile(InternetHandle request, const std::wstring& path);
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

 private:
  InternetHandle session_ = 0;
};

}  // namespace zq
