// The registration-script reader: replacements, tokens, the key tree, and its application
// to the registry seam.
#include "automation/RegistryScript.h"

#include <cwctype>

#include "app/ErrorReport.h"
#include "app/Text.h"

namespace zq {

namespace {

[[noreturn]] void Malformed() { ThrowComError(hr::Fail); }

std::wstring Upper(std::wstring text) {
  for (wchar_t& c : text) c = static_cast<wchar_t>(std::towupper(c));
  return text;
}

std::wstring Replace(const std::wstring& text,
                     const std::map<std::wstring, std::wstring>& replacements) {
  std::wstring out;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] != L'%') {
      out += text[i];
      continue;
    }
    size_t end = text.find(L'%', i + 1);
    if (end == std::wstring::npos) Malformed();
    std::wstring name = text.substr(i + 1, end - i - 1);
    if (name.empty()) {
      out += L'%';
    } else {
      auto it = replacements.find(Upper(name));
      if (it == replacements.end()) Malformed();
      out += it->second;
    }
    i = end;
  }
  return out;
}

struct Token {
  std::wstring text;
  bool quoted = false;
  bool Is(const wchar_t* word) const { return !quoted && EqualsNoCase(text, word); }
};

std::vector<Token> Tokens(const std::wstring& text) {
  std::vector<Token> tokens;
  size_t i = 0;
  while (i < text.size()) {
    if (std::iswspace(text[i])) {
      ++i;
      continue;
    }
    Token t;
    if (text[i] == L'\'') {
      t.quoted = true;
      for (++i;; ++i) {
        if (i >= text.size()) Malformed();
        if (text[i] == L'\'') {
          if (i + 1 < text.size() && text[i + 1] == L'\'') {
            t.text += L'\'';
            ++i;
            continue;
          }
          ++i;
          break;
        }
        t.text += text[i];
      }
    } else {
      while (i < text.size() && !std::iswspace(text[i])) t.text += text[i++];
    }
    tokens.push_back(std::move(t));
  }
  return tokens;
}

class Reader {
 public:
  explicit Reader(std::vector<Token> tokens) : t_(std::move(tokens)) {}
  bool AtEnd() const { return pos_ >= t_.size(); }
  const Token& Peek() const {
    if (AtEnd()) Malformed();
    return t_[pos_];
  }
  const Token& Next() {
    const Token& t = Peek();
    ++pos_;
    return t;
  }
  void Expect(const wchar_t* word) {
    if (!Next().Is(word)) Malformed();
  }
  // "= s 'text'": only string values are written by this client.
  std::wstring StringValue() {
    Expect(L"=");
    Expect(L"s");
    return Next().text;
  }

  // The braced contents of a key or root, the opening brace already read.
  std::vector<CRegistryScript::Key> Keys(
      std::vector<std::pair<std::wstring, std::wstring>>* values) {
    std::vector<CRegistryScript::Key> keys;
    for (;;) {
      const Token& t = Next();
      if (t.Is(L"}")) return keys;
      if (t.Is(L"val")) {
        if (!values) Malformed();
        std::wstring name = Next().text;
        values->emplace_back(name, StringValue());
        continue;
      }
      CRegistryScript::Key key;
      const Token* name = &t;
      if (t.Is(L"NoRemove")) key.mark = CRegistryScript::Mark::NoRemove;
      if (t.Is(L"ForceRemove")) key.mark = CRegistryScript::Mark::ForceRemove;
      if (t.Is(L"Delete")) key.mark = CRegistryScript::Mark::Delete;
      if (key.mark != CRegistryScript::Mark::None) name = &Next();
      if (!name->quoted && (name->text == L"{" || name->text == L"}" || name->text == L"="))
        Malformed();
      key.name = name->text;
      if (!AtEnd() && Peek().Is(L"=")) key.defaultValue = StringValue();
      if (!AtEnd() && Peek().Is(L"{")) {
        Next();
        key.keys = Keys(&key.values);
      }
      keys.push_back(std::move(key));
    }
  }

 private:
  std::vector<Token> t_;
  size_t pos_ = 0;
};

RegRoot RootNamed(const std::wstring& name) {
  if (EqualsNoCase(name, L"HKCR") || EqualsNoCase(name, L"HKEY_CLASSES_ROOT"))
    return RegRoot::ClassesRoot;
  if (EqualsNoCase(name, L"HKCU") || EqualsNoCase(name, L"HKEY_CURRENT_USER"))
    return RegRoot::CurrentUser;
  if (EqualsNoCase(name, L"HKLM") || EqualsNoCase(name, L"HKEY_LOCAL_MACHINE"))
    return RegRoot::LocalMachine;
  Malformed();
}

std::wstring Below(const std::wstring& parent, const std::wstring& name) {
  return parent.empty() ? name : parent + L"\\" + name;
}

void RegisterKeys(Registry& r, RegRoot root, const std::wstring& parent,
                  const std::vector<CRegistryScript::Key>& keys) {
  using Mark = CRegistryScript::Mark;
  for (const CRegistryScript::Key& key : keys) {
    std::wstring path = Below(parent, key.name);
    if (key.mark == Mark::Delete || key.mark == Mark::ForceRemove) {
      if (r.KeyExists(root, path)) r.DeleteTree(root, path);
      if (key.mark == Mark::Delete) continue;
    }
    if (!r.CreateKey(root, path)) ThrowComError(hr::AccessDenied);
    if (key.defaultValue && !r.SetString(root, path, L"", *key.defaultValue))
      ThrowComError(hr::AccessDenied);
    for (auto& [name, value] : key.values)
      if (!r.SetString(root, path, name, value)) ThrowComError(hr::AccessDenied);
    RegisterKeys(r, root, path, key.keys);
  }
}

void UnregisterKeys(Registry& r, RegRoot root, const std::wstring& parent,
                    const std::vector<CRegistryScript::Key>& keys) {
  for (const CRegistryScript::Key& key : keys) {
    std::wstring path = Below(parent, key.name);
    if (key.mark == CRegistryScript::Mark::NoRemove) {
      UnregisterKeys(r, root, path, key.keys);
    } else if (r.KeyExists(root, path)) {
      r.DeleteTree(root, path);
    }
  }
}

}  // namespace

CRegistryScript CRegistryScript::Parse(const std::wstring& text,
                                       const std::map<std::wstring, std::wstring>& replacements) {
  std::map<std::wstring, std::wstring> upper;
  for (auto& [name, value] : replacements) upper[Upper(name)] = value;
  Reader in(Tokens(Replace(text, upper)));
  CRegistryScript script;
  while (!in.AtEnd()) {
    Root root;
    root.root = RootNamed(in.Next().text);
    in.Expect(L"{");
    root.keys = in.Keys(nullptr);
    script.roots_.push_back(std::move(root));
  }
  return script;
}

void CRegistryScript::Register(Registry& registry) const {
  for (const Root& root : roots_) RegisterKeys(registry, root.root, L"", root.keys);
}

void CRegistryScript::Unregister(Registry& registry) const {
  for (const Root& root : roots_) UnregisterKeys(registry, root.root, L"", root.keys);
}

}  // namespace zq
