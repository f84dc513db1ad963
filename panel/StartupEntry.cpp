// The start-with-Windows entry: one value in the current user's Run key holding the path
// of the running executable.
#include "panel/StartupEntry.h"

#include "platform/platform.h"

namespace zq {

namespace {
// The executable's path as GetModuleFileNameW gives it into a 260-character buffer.
constexpr size_t kModulePathChars = 259;
}  // namespace

bool AddStartupEntry(const std::wstring& valueName) {
  Platform& p = Plat();
  std::wstring path = p.processes().ModulePath().substr(0, kModulePathChars);
  // The key is opened, not created: without a Run key there is no entry.
  // valueName names the value and path is its data; the argument-name heuristic thinks
  // them swapped.
  // NOLINTNEXTLINE(readability-suspicious-call-argument)
  return p.registry().SetString(RegRoot::CurrentUser, kRunKey, valueName, path);
}

bool RemoveStartupEntry(const std::wstring& valueName) {
  return Plat().registry().DeleteValue(RegRoot::CurrentUser, kRunKey, valueName);
}

}  // namespace zq
