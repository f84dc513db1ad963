// The registry seam: keys and string values under the predefined roots.
#pragma once
#include <optional>
#include <string>
#include <vector>

namespace zq {

enum class RegRoot { ClassesRoot, CurrentUser, LocalMachine };

class Registry {
 public:
  virtual ~Registry() = default;
  virtual bool CreateKey(RegRoot root, const std::wstring& subKey) = 0;
  virtual bool KeyExists(RegRoot root, const std::wstring& subKey) = 0;
  // Opens an existing key; false when it is missing.
  virtual bool SetString(RegRoot root, const std::wstring& subKey, const std::wstring& name,
                         const std::wstring& value) = 0;
  virtual std::optional<std::wstring> GetString(RegRoot root, const std::wstring& subKey,
                                                const std::wstring& name) = 0;
  virtual bool DeleteValue(RegRoot root, const std::wstring& subKey, const std::wstring& name) = 0;
  // Deletes the key with all its contents.
  virtual bool DeleteTree(RegRoot root, const std::wstring& subKey) = 0;
};

}  // namespace zq
