// The Windows backend's parts that later work fills: until then DDE requests get no
// answer, the shell's window list cannot be created and no web control can be made.
#include "platform/win32/win32_backend.h"

namespace zq::win32 {

namespace {

// "Class not registered": what the component runtime answers for an object it cannot make.
constexpr HResult kNotAvailable = static_cast<HResult>(0x80040154u);

class Win32Dde : public Dde {
 public:
  std::optional<std::string> Request(const std::wstring&, const std::wstring&,
                                     const std::wstring&, unsigned) override {
    return std::nullopt;
  }
  std::wstring FromAnsi(const std::string& bytes) override {
    std::string text = bytes.substr(0, bytes.find('\0'));
    if (text.empty()) return std::wstring();
    int n = ::MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring out(static_cast<size_t>(n > 0 ? n : 0), L'\0');
    if (n > 0)
      ::MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), out.data(), n);
    return out;
  }
};

class Win32ShellWindows : public ShellWindows {
 public:
  ShellObjectAnswer CreateCollection() override { return {kNotAvailable, 0}; }
  ShellCountAnswer Count(ShellObject) override { return {hr::Fail, 0}; }
  ShellObjectAnswer Item(ShellObject, long) override { return {hr::Fail, 0}; }
  ShellObjectAnswer QueryBrowser(ShellObject) override { return {hr::NoInterface, 0}; }
  ShellObjectAnswer Document(ShellObject) override { return {hr::Fail, 0}; }
  ShellObjectAnswer QueryHtmlDocument(ShellObject) override { return {hr::NoInterface, 0}; }
  ShellObjectAnswer QueryServiceProvider(ShellObject) override { return {hr::NoInterface, 0}; }
  ShellObjectAnswer QueryShellBrowser(ShellObject) override { return {hr::NoInterface, 0}; }
  ShellWindowAnswer OleWindow(ShellObject) override { return {hr::Fail, 0}; }
  ShellTextAnswer DocumentTitle(ShellObject) override { return {hr::Fail, std::nullopt}; }
  ShellTextAnswer DocumentUrl(ShellObject) override { return {hr::Fail, std::nullopt}; }
  ShellObjectAnswer ParentWindow(ShellObject) override { return {hr::Fail, 0}; }
  ShellObjectAnswer Navigator(ShellObject) override { return {hr::Fail, 0}; }
  ShellTextAnswer AppVersion(ShellObject) override { return {hr::Fail, std::nullopt}; }
  void Release(ShellObject) override {}
  std::string ToAnsi(const std::wstring& text) override {
    if (text.empty()) return std::string();
    int n = ::WideCharToMultiByte(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr,
                                  0, nullptr, nullptr);
    std::string out(static_cast<size_t>(n > 0 ? n : 0), '\0');
    if (n > 0)
      ::WideCharToMultiByte(CP_ACP, 0, text.data(), static_cast<int>(text.size()), out.data(), n,
                            nullptr, nullptr);
    return out;
  }
};

class Win32WebControls : public WebControls {
 public:
  std::unique_ptr<WebControl> Create(WindowHandle, const Rect&, std::uint32_t, unsigned,
                                     WebControlEvents&) override {
    return nullptr;
  }
};

}  // namespace

std::unique_ptr<Dde> NewDde() { return std::make_unique<Win32Dde>(); }
std::unique_ptr<ShellWindows> NewShellWindows() { return std::make_unique<Win32ShellWindows>(); }
std::unique_ptr<WebControls> NewWebControls() { return std::make_unique<Win32WebControls>(); }

}  // namespace zq::win32
