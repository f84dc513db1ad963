// The seam to Internet Explorer application objects (CLSID_InternetExplorer): a new browser
// window that shows a link, or a hidden instance that loads a page for the client to read.
#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/types.h"
#include "platform/web_control.h"

namespace zq {

// One application object's IWebBrowser2. Destroying this object is its release; the
// browser's window stays open until Quit or until the user closes it. Every method is
// called on the thread that created the object and returns the component's result code.
class IEApplication {
 public:
  virtual ~IEApplication() = default;
  // put_StatusBar, put_ToolBar, put_MenuBar, put_Visible, put_FullScreen, put_Offline.
  virtual HResult SetStatusBar(bool on) = 0;
  virtual HResult SetToolBar(bool on) = 0;
  virtual HResult SetMenuBar(bool on) = 0;
  virtual HResult SetVisible(bool visible) = 0;
  virtual HResult SetFullScreen(bool on) = 0;
  virtual HResult SetOffline(bool offline) = 0;
  // Navigate2 with the flags as a 32-bit integer variant, the target frame, post data and
  // headers (empty: none).
  virtual HResult Navigate(const std::wstring& url, std::int32_t flags,
                           const std::wstring& targetFrame,
                           const std::vector<std::uint8_t>& postData,
                           const std::wstring& headers) = 0;
  // get_HWND: the browser's top-level window.
  virtual HResult Window(WindowHandle& window) = 0;
  // get_Document queried for the HTML document: S_OK with a null document while the
  // browser has none yet.
  virtual HResult Document(std::shared_ptr<WebDocument>& document) = 0;
  // Quit: closes the browser and its window.
  virtual HResult Quit() = 0;
};

class IEApplications {
 public:
  virtual ~IEApplications() = default;
  // CoCreateInstance(CLSID_InternetExplorer, CLSCTX_ALL), then OleRun when `run` is set.
  // A failing code comes without an object; E_NOINTERFACE means "no such object here".
  // On a thread whose component runtime is initialised.
  virtual HResult Create(bool run, std::unique_ptr<IEApplication>& application) = 0;
};

}  // namespace zq
