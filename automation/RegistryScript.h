// Registration scripts in the registrar's language: parsed into keys and values, and
// applied to the registry seam to register or to remove what they describe.
#pragma once
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/registry.h"

namespace zq {

// A script is a list of roots ("HKCR", "HKCU", "HKLM" or their long names), each with a
// braced list of keys:
//   [NoRemove|ForceRemove|Delete] name [= s 'default value'] [{ keys and values }]
//   val name = s 'value'
// Names and values may be quoted with single quotes ('' stands for one quote). Before the
// script is read each %NAME% is replaced by its value; "%%" stands for "%".
class CRegistryScript {
 public:
  enum class Mark { None, NoRemove, ForceRemove, Delete };
  struct Key {
    std::wstring name;
    Mark mark = Mark::None;
    std::optional<std::wstring> defaultValue;
    std::vector<std::pair<std::wstring, std::wstring>> values;
    std::vector<Key> keys;
  };
  struct Root {
    RegRoot root = RegRoot::ClassesRoot;
    std::vector<Key> keys;
  };

  // Throws ComError (0x80004005) for a malformed script or an unknown replacement name.
  static CRegistryScript Parse(const std::wstring& text,
                               const std::map<std::wstring, std::wstring>& replacements);

  // Creates every key and value; a ForceRemove key is removed with its contents first, a
  // Delete key is only removed. Throws ComError when a key cannot be written.
  void Register(Registry& registry) const;
  // Removes every key the script names with all its contents, except NoRemove keys, whose
  // listed subkeys are removed and which themselves stay. Missing keys are no failure.
  void Unregister(Registry& registry) const;

  const std::vector<Root>& Roots() const { return roots_; }

 private:
  std::vector<Root> roots_;
};

}  // namespace zq
