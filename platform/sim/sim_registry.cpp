// In-memory registry of the simulated desktop: keys found by case-insensitive path parts,
// string values, recursive deletion and a stable text dump for scenario results.
#include "platform/sim/sim_registry.h"

#include <algorithm>

#include "app/Text.h"

namespace zq::sim {

struct SimRegistry::Key {
  std::wstring name;  // as first written
  // Children and values are indexed by their lower-case name.
  std::map<std::wstring, std::unique_ptr<Key>> children;
  std::map<std::wstring, std::pair<std::wstring, std::wstring>> values;  // name, data
};

namespace {

std::vector<std::wstring> SplitPath(const std::wstring& subKey) {
  std::vector<std::wstring> parts;
  size_t start = 0;
  while (start <= subKey.size()) {
    size_t sep = subKey.find(L'\\', start);
    if (sep == std::wstring::npos) sep = subKey.size();
    if (sep > start) parts.push_back(subKey.substr(start, sep - start));
    start = sep + 1;
  }
  return parts;
}

size_t RootIndex(RegRoot root) {
  switch (root) {
    case RegRoot::ClassesRoot:
      return 0;
    case RegRoot::CurrentUser:
      return 1;
    case RegRoot::LocalMachine:
      return 2;
  }
  return 0;
}

}  // namespace

SimRegistry::SimRegistry() {
  const wchar_t* names[] = {L"HKCR", L"HKCU", L"HKLM"};
  for (size_t i = 0; i < 3; ++i) {
    roots_[i] = std::make_unique<Key>();
    roots_[i]->name = names[i];
  }
}

SimRegistry::~SimRegistry() = default;

SimRegistry::Key* SimRegistry::Find(RegRoot root, const std::wstring& subKey) const {
  Key* key = roots_[RootIndex(root)].get();
  for (const auto& part : SplitPath(subKey)) {
    auto it = key->children.find(ToLower(part));
    if (it == key->children.end()) return nullptr;
    key = it->second.get();
  }
  return key;
}

bool SimRegistry::CreateKey(RegRoot root, const std::wstring& subKey) {
  std::lock_guard<std::mutex> guard(lock_);
  Key* key = roots_[RootIndex(root)].get();
  for (const auto& part : SplitPath(subKey)) {
    auto& child = key->children[ToLower(part)];
    if (!child) {
      child = std::make_unique<Key>();
      child->name = part;
    }
    key = child.get();
  }
  return true;
}

bool SimRegistry::KeyExists(RegRoot root, const std::wstring& subKey) {
  std::lock_guard<std::mutex> guard(lock_);
  return Find(root, subKey) != nullptr;
}

bool SimRegistry::SetString(RegRoot root, const std::wstring& subKey, const std::wstring& name,
                            const std::wstring& value) {
  std::lock_guard<std::mutex> guard(lock_);
  Key* key = Find(root, subKey);
  if (!key) return false;
  auto it = key->values.find(ToLower(name));
  if (it == key->values.end())
    key->values.emplace(ToLower(name), std::make_pair(name, value));
  else
    it->second.second = value;
  return true;
}

std::optional<std::wstring> SimRegistry::GetString(RegRoot root, const std::wstring& subKey,
                                                   const std::wstring& name) {
  std::lock_guard<std::mutex> guard(lock_);
  Key* key = Find(root, subKey);
  if (!key) return std::nullopt;
  auto it = key->values.find(ToLower(name));
  if (it == key->values.end()) return std::nullopt;
  return it->second.second;
}

bool SimRegistry::DeleteValue(RegRoot root, const std::wstring& subKey, const std::wstring& name) {
  std::lock_guard<std::mutex> guard(lock_);
  Key* key = Find(root, subKey);
  return key && key->values.erase(ToLower(name)) > 0;
}

bool SimRegistry::DeleteTree(RegRoot root, const std::wstring& subKey) {
  std::lock_guard<std::mutex> guard(lock_);
  std::vector<std::wstring> parts = SplitPath(subKey);
  if (parts.empty()) return false;  // a whole root is never deleted
  std::wstring parentPath;
  for (size_t i = 0; i + 1 < parts.size(); ++i) parentPath += parts[i] + L"\\";
  Key* parent = Find(root, parentPath);
  return parent && parent->children.erase(ToLower(parts.back())) > 0;
}

void SimRegistry::DumpKey(const Key& key, const std::wstring& path, std::vector<std::string>& out) {
  if (key.values.empty() && key.children.empty() && path.find(L'\\') != std::wstring::npos)
    out.push_back(ToUtf8(path));
  for (const auto& [lower, value] : key.values) {
    const std::wstring& name = value.first.empty() ? std::wstring(L"(default)") : value.first;
    out.push_back(ToUtf8(path + L": " + name + L" = \"" + value.second + L"\""));
  }
  for (const auto& [lower, child] : key.children) DumpKey(*child, path + L"\\" + child->name, out);
}

std::vector<std::string> SimRegistry::Dump() const {
  std::lock_guard<std::mutex> guard(lock_);
  std::vector<std::string> lines;
  for (const auto& root : roots_) DumpKey(*root, root->name, lines);
  std::sort(lines.begin(), lines.end());
  return lines;
}

}  // namespace zq::sim
