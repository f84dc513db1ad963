// The registry on Windows: keys and string values under the three predefined roots.
#include "platform/win32/win32_backend.h"

namespace zq::win32 {

namespace {

HKEY RootKey(RegRoot root) {
  switch (root) {
    case RegRoot::ClassesRoot:
      return HKEY_CLASSES_ROOT;
    case RegRoot::CurrentUser:
      return HKEY_CURRENT_USER;
    case RegRoot::LocalMachine:
      return HKEY_LOCAL_MACHINE;
  }
  return HKEY_CURRENT_USER;
}

UniqueKey Open(RegRoot root, const std::wstring& subKey, REGSAM access) {
  HKEY key = nullptr;
  if (::RegOpenKeyExW(RootKey(root), subKey.c_str(), 0, access, &key) != ERROR_SUCCESS)
    return UniqueKey();
  return UniqueKey(key);
}

class Win32Registry : public Registry {
 public:
  bool CreateKey(RegRoot root, const std::wstring& subKey) override {
    HKEY key = nullptr;
    LONG rc = ::RegCreateKeyExW(RootKey(root), subKey.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                                KEY_WRITE, nullptr, &key, nullptr);
    UniqueKey owned(key);
    return rc == ERROR_SUCCESS;
  }
  bool KeyExists(RegRoot root, const std::wstring& subKey) override {
    return static_cast<bool>(Open(root, subKey, KEY_READ));
  }
  bool SetString(RegRoot root, const std::wstring& subKey, const std::wstring& name,
                 const std::wstring& value) override {
    UniqueKey key = Open(root, subKey, KEY_SET_VALUE);
    if (!key) return false;
    auto bytes = static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t));
    return ::RegSetValueExW(key.get(), name.c_str(), 0, REG_SZ,
                            reinterpret_cast<const BYTE*>(value.c_str()), bytes) == ERROR_SUCCESS;
  }
  std::optional<std::wstring> GetString(RegRoot root, const std::wstring& subKey,
                                        const std::wstring& name) override {
    UniqueKey key = Open(root, subKey, KEY_QUERY_VALUE);
    if (!key) return std::nullopt;
    DWORD type = 0, bytes = 0;
    if (::RegQueryValueExW(key.get(), name.c_str(), nullptr, &type, nullptr, &bytes) !=
            ERROR_SUCCESS ||
        (type != REG_SZ && type != REG_EXPAND_SZ))
      return std::nullopt;
    std::wstring value(bytes / sizeof(wchar_t) + 1, L'\0');
    bytes = static_cast<DWORD>(value.size() * sizeof(wchar_t));
    if (::RegQueryValueExW(key.get(), name.c_str(), nullptr, &type,
                           reinterpret_cast<BYTE*>(value.data()), &bytes) != ERROR_SUCCESS)
      return std::nullopt;
    value.resize(bytes / sizeof(wchar_t));
    while (!value.empty() && value.back() == L'\0') value.pop_back();  // stored terminators
    return value;
  }
  bool DeleteValue(RegRoot root, const std::wstring& subKey, const std::wstring& name) override {
    UniqueKey key = Open(root, subKey, KEY_SET_VALUE);
    return key && ::RegDeleteValueW(key.get(), name.c_str()) == ERROR_SUCCESS;
  }
  // Deletes the key and everything below it. An empty path would name a whole root, which
  // is never the client's to delete: refused.
  bool DeleteTree(RegRoot root, const std::wstring& subKey) override {
    if (subKey.empty() || !KeyExists(root, subKey)) return false;
    ::RegDeleteTreeW(RootKey(root), subKey.c_str());
    if (KeyExists(root, subKey)) ::RegDeleteKeyW(RootKey(root), subKey.c_str());
    return !KeyExists(root, subKey);
  }
};

}  // namespace

std::unique_ptr<Registry> NewRegistry() { return std::make_unique<Win32Registry>(); }

}  // namespace zq::win32
