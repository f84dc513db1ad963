// The seam to the shell's list of open browser windows (Internet Explorer and folders) and
// to the parts of a browser's object model that browser detection reads.
#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <utility>

#include "platform/types.h"

namespace zq {

// A counted reference to one object of the shell's list or of a browser's object model
// (the collection, an item, a browser, a document, a window, a navigator...). The caller
// holds it until it hands it to ShellWindows::Release. 0 is the null reference.
using ShellObject = std::uintptr_t;

// The answer of one call: its result code and what it yielded. A failing code (negative)
// comes with nothing; a succeeding code may still come with nothing (a null out-pointer).
// For the QueryInterface-like calls E_NOINTERFACE (hr::NoInterface) means "the object has
// no such interface": the caller treats it as a null answer, not as a failure.
struct ShellObjectAnswer {
  HResult hr = hr::Ok;
  ShellObject object = 0;
};
struct ShellCountAnswer {
  HResult hr = hr::Ok;
  long count = 0;
};
struct ShellWindowAnswer {
  HResult hr = hr::Ok;
  WindowHandle window = 0;
};
struct ShellTextAnswer {
  HResult hr = hr::Ok;
  std::optional<std::wstring> text;  // nothing: a null string
};

// Every method maps to one component call and is made on a thread whose component runtime
// is initialised (the controller's thread). Methods that take an object accept only a
// reference of the kind named, obtained from this interface and not yet released.
class ShellWindows {
 public:
  virtual ~ShellWindows() = default;

  // CoCreateInstance(CLSID_ShellWindows, CLSCTX_ALL) as IShellWindows: the collection.
  virtual ShellObjectAnswer CreateCollection() = 0;
  // IShellWindows::get_Count.
  virtual ShellCountAnswer Count(ShellObject collection) = 0;
  // IShellWindows::Item with the index as a VT_I4 variant: the item's dispatch object;
  // S_FALSE with nothing past the end.
  virtual ShellObjectAnswer Item(ShellObject collection, long index) = 0;
  // QueryInterface(IWebBrowser2) on an item.
  virtual ShellObjectAnswer QueryBrowser(ShellObject item) = 0;
  // IWebBrowser2::get_Document: the document's dispatch object (may be nothing).
  virtual ShellObjectAnswer Document(ShellObject browser) = 0;
  // QueryInterface(IHTMLDocument2) on a document's dispatch object.
  virtual ShellObjectAnswer QueryHtmlDocument(ShellObject document) = 0;
  // QueryInterface(IServiceProvider) on a browser.
  virtual ShellObjectAnswer QueryServiceProvider(ShellObject browser) = 0;
  // IServiceProvider::QueryService(SID_SShellBrowser, IID_IOleWindow).
  virtual ShellObjectAnswer QueryShellBrowser(ShellObject serviceProvider) = 0;
  // IOleWindow::GetWindow.
  virtual ShellWindowAnswer OleWindow(ShellObject oleWindow) = 0;
  // IHTMLDocument2::get_title and get_URL.
  virtual ShellTextAnswer DocumentTitle(ShellObject htmlDocument) = 0;
  virtual ShellTextAnswer DocumentUrl(ShellObject htmlDocument) = 0;
  // IHTMLDocument2::get_parentWindow: the document's IHTMLWindow2.
  virtual ShellObjectAnswer ParentWindow(ShellObject htmlDocument) = 0;
  // IHTMLWindow2::get_navigator: its IOmNavigator.
  virtual ShellObjectAnswer Navigator(ShellObject htmlWindow) = 0;
  // IOmNavigator::get_appVersion.
  virtual ShellTextAnswer AppVersion(ShellObject navigator) = 0;
  // IUnknown::Release; 0 is ignored.
  virtual void Release(ShellObject object) = 0;

  // The text converted to the ANSI code page (WideCharToMultiByte, CP_ACP); characters the
  // code page lacks become '?'. Any thread.
  virtual std::string ToAnsi(const std::wstring& text) = 0;
};

// Holds one reference and releases it when it goes; move-only.
class ShellRef {
 public:
  ShellRef(ShellWindows& shell, ShellObject object) : shell_(&shell), object_(object) {}
  ShellRef(ShellRef&& other) noexcept : shell_(other.shell_), object_(other.object_) {
    other.object_ = 0;
  }
  ShellRef& operator=(ShellRef&& other) noexcept {
    if (this != &other) {
      Reset();
      shell_ = other.shell_;
      object_ = std::exchange(other.object_, 0);
    }
    return *this;
  }
  ShellRef(const ShellRef&) = delete;
  ShellRef& operator=(const ShellRef&) = delete;
  ~ShellRef() { Reset(); }

  ShellObject get() const { return object_; }
  explicit operator bool() const { return object_ != 0; }
  void Reset() {
    if (object_) shell_->Release(std::exchange(object_, 0));
  }

 private:
  ShellWindows* shell_;
  ShellObject object_;
};

}  // namespace zq
