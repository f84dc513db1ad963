// Whether this system has an HTML engine (a prefix may switch it off), for the Wine tests
// that skip what needs a loaded document.
#pragma once

#include <windows.h>

namespace zq::win32::test {

inline bool HtmlEngineInstalled() {
  // The HTML document class; mingw's uuid library lacks it.
  static constexpr CLSID kHtmlDocumentClass = {
      0x25336920, 0x03f9, 0x11cf, {0x8f, 0xd0, 0x00, 0xaa, 0x00, 0x68, 0x6f, 0x13}};
  IUnknown* document = nullptr;
  if (FAILED(::CoCreateInstance(kHtmlDocumentClass, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown,
                                reinterpret_cast<void**>(&document))) ||
      !document)
    return false;
  document->Release();
  return true;
}

}  // namespace zq::win32::test
