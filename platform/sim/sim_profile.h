// The simulated desktop's profile (INI) files: real files on the host disk, read and written
// with the semantics of the Windows private profile functions.
#pragma once
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "platform/profile.h"

namespace zq::sim {

// Profile files kept on the host disk in UTF-8. Reads accept a UTF-8 byte-order mark and
// either line end; writes use CRLF and keep every other line of the file as it was.
// A write goes to a temporary file beside the target which then replaces the target, so
// the file on disk is always either the old or the new version, never a torn one.
// All instances share one lock, so simulated processes in this host process may use the
// same file from several threads.
class SimProfile : public zq::Profile {
 public:
  // Maps a Windows path (L"C:\\Program Files\\...\\ZQConfig.ini") to a host path in UTF-8.
  // An empty result means the path has no place on the host: reads give the default and
  // writes fail.
  using HostPathFn = std::function<std::string(const std::wstring& windowsPath)>;
  // Called after the temporary file is complete and before it replaces the target.
  // Returning false stops the write right there, as if the process had died: the
  // temporary file stays behind and the target is not touched. For fault-injection tests.
  using ReplaceHook = std::function<bool(const std::string& tempHostPath)>;

  explicit SimProfile(HostPathFn hostPath);

  unsigned ReadString(const std::wstring& section, const std::wstring& key, const std::wstring& def,
                      std::wstring& out, unsigned size, const std::wstring& path) override;
  bool WriteString(const std::wstring& section, const std::wstring& key, const std::wstring& value,
                   const std::wstring& path) override;
  // From the file's size and write time, and the count of writes through this class, so
  // that two writes within the host's timestamp granularity still differ.
  std::uint64_t Stamp(const std::wstring& path) override;

  // The keys of the section (first one of that name) with their values as a read returns
  // them (blanks and one pair of quotes removed), in file order. Empty when the file or
  // the section is missing.
  std::vector<std::pair<std::wstring, std::wstring>> SectionEntries(const std::wstring& path,
                                                                    const std::wstring& section);

  void SetBeforeReplaceHook(ReplaceHook hook) { beforeReplace_ = std::move(hook); }

  // Host name of the temporary file used while writing `hostPath`.
  static std::string TempPathFor(const std::string& hostPath);

 private:
  HostPathFn hostPath_;
  ReplaceHook beforeReplace_;
};

}  // namespace zq::sim
