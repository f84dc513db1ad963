// The executable's own resources on Windows: the string table, menus, icons, bitmaps and
// raw resources (HTML pages, registration scripts), in their portable forms.
#include <cwctype>
#include <map>

#include "platform/win32/win32_backend.h"

namespace zq::win32 {

namespace {

// A resource type as FindResourceW takes it: "#23" and "23" name the number 23, any
// other text a named type such as "REGISTRY".
std::wstring TypeName(const std::wstring& type) {
  bool digits = !type.empty();
  for (wchar_t c : type) digits = digits && std::iswdigit(c);
  return digits ? L"#" + type : type;
}

class Win32Resources : public Resources {
 public:
  explicit Win32Resources(HINSTANCE module) : module_(module) {}

  std::optional<std::wstring> String(unsigned id) override {
    const wchar_t* text = nullptr;
    int n = ::LoadStringW(module_, id, reinterpret_cast<wchar_t*>(&text), 0);
    if (n <= 0 || !text) return std::nullopt;
    return std::wstring(text, static_cast<size_t>(n));
  }

  std::optional<Menu> LoadMenu(unsigned id) override {
    UniqueMenu menu(::LoadMenuW(module_, MAKEINTRESOURCEW(id)));
    if (!menu) return std::nullopt;
    return ReadMenu(menu.get());
  }

  // Icons are shared: the system keeps one handle per resource for the process's life.
  IconHandle LoadIcon(unsigned id) override {
    HANDLE icon =
        ::LoadImageW(module_, MAKEINTRESOURCEW(id), IMAGE_ICON, 0, 0, LR_DEFAULTSIZE | LR_SHARED);
    if (!icon) return 0;
    auto handle = reinterpret_cast<IconHandle>(icon);
    CsGuard lock(lock_);
    iconIds_[handle] = id;
    return handle;
  }

  unsigned IconId(IconHandle icon) override {
    CsGuard lock(lock_);
    auto it = iconIds_.find(icon);
    return it == iconIds_.end() ? 0 : it->second;
  }

  std::optional<Bitmap> LoadBitmap(unsigned id) override {
    UniqueBitmap bitmap(static_cast<HBITMAP>(
        ::LoadImageW(module_, MAKEINTRESOURCEW(id), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION)));
    if (!bitmap) return std::nullopt;
    return ReadBitmap(bitmap.get());
  }

  std::optional<std::string> Raw(const std::wstring& type, unsigned id) override {
    std::wstring typeName = TypeName(type);
    HRSRC info = ::FindResourceW(module_, MAKEINTRESOURCEW(id), typeName.c_str());
    if (!info) return std::nullopt;
    HGLOBAL loaded = ::LoadResource(module_, info);
    const void* data = loaded ? ::LockResource(loaded) : nullptr;
    if (!data) return std::nullopt;
    return std::string(static_cast<const char*>(data), ::SizeofResource(module_, info));
  }

 private:
  HINSTANCE module_;
  CriticalSection lock_;
  std::map<IconHandle, unsigned> iconIds_;
};

}  // namespace

std::unique_ptr<Resources> NewResources(HINSTANCE module) {
  return std::make_unique<Win32Resources>(module);
}

}  // namespace zq::win32
