// The simulated desktop's registry: an in-memory tree of keys with string values under the
// predefined roots, matched without regard to case like the Windows registry.
#pragma once
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "platform/registry.h"

namespace zq::sim {

// Key paths are separated by backslashes; empty path parts are ignored, so an empty path
// names the root itself. Names keep the case in which they were first written, for Dump.
// Safe to use from several threads.
class SimRegistry : public zq::Registry {
 public:
  SimRegistry();
  ~SimRegistry() override;

  // Creates the key and every missing key above it; true also when it already exists.
  bool CreateKey(RegRoot root, const std::wstring& subKey) override;
  bool KeyExists(RegRoot root, const std::wstring& subKey) override;
  // False when the key does not exist (the key is opened, not created).
  bool SetString(RegRoot root, const std::wstring& subKey, const std::wstring& name,
                 const std::wstring& value) override;
  std::optional<std::wstring> GetString(RegRoot root, const std::wstring& subKey,
                                        const std::wstring& name) override;
  // False when the key or the value does not exist.
  bool DeleteValue(RegRoot root, const std::wstring& subKey, const std::wstring& name) override;
  // Removes the key and everything below it; false when it does not exist, and for a
  // whole root (empty path), which the Win32 backend refuses as well.
  bool DeleteTree(RegRoot root, const std::wstring& subKey) override;

  // The whole registry as sorted UTF-8 lines: one line per value,
  //   HKCU\Software\Microsoft\Windows\CurrentVersion\Run: Zephquill = "C:\..."
  // with "(default)" for the unnamed value, and one line "HKCR\Some\Key" for every key
  // that holds no values and no subkeys, so that created empty keys show too.
  std::vector<std::string> Dump() const;

 private:
  struct Key;
  Key* Find(RegRoot root, const std::wstring& subKey) const;
  static void DumpKey(const Key& key, const std::wstring& path, std::vector<std::string>& out);

  mutable std::mutex lock_;
  std::unique_ptr<Key> roots_[3];
};

}  // namespace zq::sim
