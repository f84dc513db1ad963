// The seam to the embedded web-browser control that panels host: creating an instance
// inside a host window, its automation calls, its document and the events it raises.
#pragma once
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/types.h"

namespace zq {

// The part of a control's HTML document that the client uses (IHTMLDocument2 for writing,
// IHTMLDocument3 and IHTMLElement for elements by id). A shared_ptr is one counted
// reference: dropping it is the release. Every method is called on the thread that owns the
// control the document came from, and returns the component's result code (negative:
// failure, and the out-parameters are left as they were).
class WebDocument {
 public:
  virtual ~WebDocument() = default;

  // IHTMLDocument2::write with a one-element array holding the text as a string variant.
  virtual HResult Write(const std::wstring& text) = 0;
  // IHTMLDocument2::close: ends the output stream opened by Open or by the load.
  virtual HResult Close() = 0;
  // IHTMLDocument2::open with the type (e.g. "text/html") and the name (e.g. "_self"),
  // empty features and replace arguments. Empties the document; S_OK when it did.
  virtual HResult Open(const std::wstring& mimeType, const std::wstring& name) = 0;
  // IHTMLDocument2::get_URL and get_title.
  virtual HResult Url(std::wstring& url) = 0;
  virtual HResult Title(std::wstring& title) = 0;
  // IHTMLDocument3::getElementById, then IHTMLElement::get_innerText: `text` is left
  // empty (nullopt) when no element has that id.
  virtual HResult ElementText(const std::wstring& id, std::optional<std::wstring>& text) = 0;
  // getElementById, then IHTMLElement::put_innerText: `found` tells whether an element
  // with that id existed (nothing is created when none does).
  virtual HResult SetElementText(const std::wstring& id, const std::wstring& text, bool& found) = 0;
};

// The control's events (DWebBrowserEvents2), delivered on the control's owner thread while
// that thread runs a message loop, or from inside a call the owner makes on the control
// (a BeforeNavigate2 may come from inside Navigate). `topLevel` is true when the event's
// pDisp is the control's own dispatch object, false when it concerns a frame inside the
// page. Texts that the control did not pass as strings arrive empty. A handler may call
// the control again (navigate, release it) from inside an event.
class WebControlEvents {
 public:
  virtual ~WebControlEvents() = default;
  // 250. postData is null unless the argument was a reference to a variant holding a byte
  // array; then it holds a copy of the bytes. Setting cancel stops the navigation.
  virtual void BeforeNavigate2(bool topLevel, const std::wstring& url,
                               const std::wstring& targetFrame,
                               const std::vector<std::uint8_t>* postData,
                               const std::wstring& headers, bool& cancel) = 0;
  // 252 and 259.
  virtual void NavigateComplete2(bool topLevel, const std::wstring& url) = 0;
  virtual void DocumentComplete(bool topLevel, const std::wstring& url) = 0;
  // 271: a navigation failed with an HTTP status or a component result code. Setting
  // cancel keeps the control from showing its own error page.
  virtual void NavigateError(bool topLevel, const std::wstring& url,
                             const std::wstring& targetFrame, std::int32_t statusCode,
                             bool& cancel) = 0;
  // 106, 104, 108, 102, 113.
  virtual void DownloadBegin() = 0;
  virtual void DownloadComplete() = 0;
  virtual void ProgressChange(std::int32_t progress, std::int32_t progressMax) = 0;
  virtual void StatusTextChange(const std::wstring& text) = 0;
  virtual void TitleChange(const std::wstring& text) = 0;
};

// One web-browser control (IWebBrowser2 with its IDispatch). Destroying this object is the
// release of both interfaces: no event reaches the sink afterwards. The control's window
// is not destroyed with it; it goes with its parent window or when it is closed.
// Every method is called on the thread that created the control (its owner thread).
class WebControl {
 public:
  virtual ~WebControl() = default;

  // The control's own child window inside the host.
  virtual WindowHandle Window() = 0;

  // IWebBrowser2::Navigate with the flags as a 32-bit integer variant and the target
  // frame, post data and headers (empty: none). Raises BeforeNavigate2 before it returns.
  virtual HResult Navigate(const std::wstring& url, std::int32_t flags,
                           const std::wstring& targetFrame,
                           const std::vector<std::uint8_t>& postData,
                           const std::wstring& headers) = 0;
  // IWebBrowser2::Refresh and Quit.
  virtual HResult Refresh() = 0;
  virtual HResult Quit() = 0;
  // IWebBrowser2::put_Silent, put_Offline, put_RegisterAsDropTarget.
  virtual HResult SetSilent(bool silent) = 0;
  virtual HResult SetOffline(bool offline) = 0;
  virtual HResult SetRegisterAsDropTarget(bool accept) = 0;
  // IWebBrowser2::get_LocationURL: the address of the current top-level document (empty
  // before the first one). During BeforeNavigate2 it is still the page that navigates.
  virtual HResult LocationUrl(std::wstring& url) = 0;
  // IWebBrowser2::get_Document queried for IHTMLDocument2: S_OK with a null document when
  // the control has none yet (or shows something that is not HTML).
  virtual HResult Document(std::shared_ptr<WebDocument>& document) = 0;
  // The addresses of the documents of every frame inside the current top-level document,
  // at any depth, as the container sees them (the embedded browsers' LocationURL, readable
  // across origins). A frame whose address cannot be read gives an empty text. None before
  // the first document.
  virtual HResult FrameLocations(std::vector<std::wstring>& urls) = 0;
};

// Makes web-browser controls (CLSID {8856F961-340A-11D0-A96B-00C04FD705A2}) hosted in a
// window of the calling thread.
class WebControls {
 public:
  virtual ~WebControls() = default;
  // Creates the control as a child window of `host` at `rect` (host client coordinates)
  // with the style and control id, and binds its events to `sink`, which must outlive the
  // returned object. Null when the control cannot be made (no HTML engine, a failed
  // interface query); then no window is left behind. Called on the thread that owns
  // `host`, which becomes the control's owner thread.
  virtual std::unique_ptr<WebControl> Create(WindowHandle host, const Rect& rect,
                                             std::uint32_t style, unsigned controlId,
                                             WebControlEvents& sink) = 0;
};

}  // namespace zq
