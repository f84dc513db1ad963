// The shell's list of open browser windows on Windows and the parts of a browser's object
// model that browser detection reads. Each reference is the interface pointer itself.
#include "platform/win32/win32_backend.h"

#include <exdisp.h>
#include <mshtml.h>
#include <ocidl.h>
#include <servprov.h>
#include <shlguid.h>
#include <shlobj.h>

namespace zq::win32 {

namespace {

// The most items a list that cannot count itself is searched for.
constexpr long kMaxItems = 4096;

template <class I>
I* As(ShellObject object) {
  return reinterpret_cast<I*>(object);
}

// QueryInterface with a null answer kept apart from a failure: E_NOINTERFACE comes back
// as the code with no object, for the caller to read as "not that kind of object".
template <class I>
ShellObjectAnswer Query(ShellObject object, REFIID iid) {
  if (!object) return {E_POINTER, 0};
  void* out = nullptr;
  HRESULT result = As<IUnknown>(object)->QueryInterface(iid, &out);
  if (FAILED(result)) return {result, 0};
  return {result, reinterpret_cast<ShellObject>(out)};
}

// A string read through a `get_` call; the string is freed here.
template <class Get>
ShellTextAnswer ReadText(Get get) {
  BSTR text = nullptr;
  HRESULT result = get(&text);
  if (FAILED(result)) {
    if (text) ::SysFreeString(text);
    return {result, std::nullopt};
  }
  ShellTextAnswer answer{result, std::nullopt};
  if (text) {
    answer.text.emplace(text, ::SysStringLen(text));
    ::SysFreeString(text);
  }
  return answer;
}

template <class Get>
ShellObjectAnswer ReadObject(Get get) {
  void* out = nullptr;
  HRESULT result = get(&out);
  if (FAILED(result)) return {result, 0};
  return {result, reinterpret_cast<ShellObject>(out)};
}

class Win32ShellWindows : public ShellWindows {
 public:
  ShellObjectAnswer CreateCollection() override {
    return ReadObject([](void** out) {
      return ::CoCreateInstance(CLSID_ShellWindows, nullptr, CLSCTX_ALL, IID_IShellWindows, out);
    });
  }
  // A list that cannot count itself (Wine's answers E_NOTIMPL) is counted by its items:
  // the reachable ones from index 0 until the first that yields nothing.
  ShellCountAnswer Count(ShellObject collection) override {
    if (!collection) return {E_POINTER, 0};
    long count = 0;
    HRESULT result = As<IShellWindows>(collection)->get_Count(&count);
    if (result != E_NOTIMPL) return {result, SUCCEEDED(result) ? count : 0};
    count = 0;
    for (; count < kMaxItems; ++count) {
      ShellObjectAnswer item = Item(collection, count);
      if (!item.object) break;
      Release(item.object);
    }
    return {S_OK, count};
  }
  ShellObjectAnswer Item(ShellObject collection, long index) override {
    if (!collection) return {E_POINTER, 0};
    VARIANT at;
    ::VariantInit(&at);
    at.vt = VT_I4;
    at.lVal = index;
    return ReadObject([&](void** out) {
      return As<IShellWindows>(collection)->Item(at, reinterpret_cast<IDispatch**>(out));
    });
  }
  ShellObjectAnswer QueryBrowser(ShellObject item) override {
    return Query<IWebBrowser2>(item, IID_IWebBrowser2);
  }
  ShellObjectAnswer Document(ShellObject browser) override {
    if (!browser) return {E_POINTER, 0};
    return ReadObject([&](void** out) {
      return As<IWebBrowser2>(browser)->get_Document(reinterpret_cast<IDispatch**>(out));
    });
  }
  ShellObjectAnswer QueryHtmlDocument(ShellObject document) override {
    return Query<IHTMLDocument2>(document, IID_IHTMLDocument2);
  }
  ShellObjectAnswer QueryServiceProvider(ShellObject browser) override {
    return Query<IServiceProvider>(browser, IID_IServiceProvider);
  }
  ShellObjectAnswer QueryShellBrowser(ShellObject serviceProvider) override {
    if (!serviceProvider) return {E_POINTER, 0};
    return ReadObject([&](void** out) {
      return As<IServiceProvider>(serviceProvider)
          ->QueryService(SID_SShellBrowser, IID_IOleWindow, out);
    });
  }
  ShellWindowAnswer OleWindow(ShellObject oleWindow) override {
    if (!oleWindow) return {E_POINTER, 0};
    HWND window = nullptr;
    HRESULT result = As<IOleWindow>(oleWindow)->GetWindow(&window);
    return {result, SUCCEEDED(result) ? FromHwnd(window) : 0};
  }
  ShellTextAnswer DocumentTitle(ShellObject htmlDocument) override {
    if (!htmlDocument) return {E_POINTER, std::nullopt};
    return ReadText([&](BSTR* out) { return As<IHTMLDocument2>(htmlDocument)->get_title(out); });
  }
  ShellTextAnswer DocumentUrl(ShellObject htmlDocument) override {
    if (!htmlDocument) return {E_POINTER, std::nullopt};
    return ReadText([&](BSTR* out) { return As<IHTMLDocument2>(htmlDocument)->get_URL(out); });
  }
  ShellObjectAnswer ParentWindow(ShellObject htmlDocument) override {
    if (!htmlDocument) return {E_POINTER, 0};
    return ReadObject([&](void** out) {
      return As<IHTMLDocument2>(htmlDocument)
          ->get_parentWindow(reinterpret_cast<IHTMLWindow2**>(out));
    });
  }
  ShellObjectAnswer Navigator(ShellObject htmlWindow) override {
    if (!htmlWindow) return {E_POINTER, 0};
    return ReadObject([&](void** out) {
      return As<IHTMLWindow2>(htmlWindow)->get_navigator(reinterpret_cast<IOmNavigator**>(out));
    });
  }
  ShellTextAnswer AppVersion(ShellObject navigator) override {
    if (!navigator) return {E_POINTER, std::nullopt};
    return ReadText([&](BSTR* out) { return As<IOmNavigator>(navigator)->get_appVersion(out); });
  }
  void Release(ShellObject object) override {
    if (object) As<IUnknown>(object)->Release();
  }

  std::string ToAnsi(const std::wstring& text) override {
    if (text.empty()) return std::string();
    int n = ::WideCharToMultiByte(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0,
                                  nullptr, nullptr);
    std::string out(static_cast<size_t>(n > 0 ? n : 0), '\0');
    if (n > 0)
      ::WideCharToMultiByte(CP_ACP, 0, text.data(), static_cast<int>(text.size()), out.data(), n,
                            nullptr, nullptr);
    return out;
  }
};

}  // namespace

std::unique_ptr<ShellWindows> NewShellWindows() { return std::make_unique<Win32ShellWindows>(); }

}  // namespace zq::win32
