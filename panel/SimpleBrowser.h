// The web-browser host: a child window holding the embedded web-browser control, which
// loads addresses and built-in pages and turns the control's events into overridables.
#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/platform.h"

namespace zq {

// The record a host sends with WM_NOTIFY to its parent (lParam points to it, wParam is
// the host's control id). It lives only during the synchronous send. Unfilled texts are
// empty and unfilled numbers 0.
struct BrowserNotification {
  WindowHandle window = 0;                 // the host window (always)
  unsigned id = 0;                         // the host's control id (always)
  unsigned code = 0;                       // BROWSER_NOTIFY_* (app/Messages.h)
  std::wstring url;                        // codes 0, 1, 5
  std::wstring frame;                      // code 0
  const std::uint8_t* postData = nullptr;  // code 0
  std::uint32_t postDataSize = 0;          // code 0
  std::wstring headers;                    // code 0 (always empty)
  std::int32_t progress = 0;               // code 3
  std::int32_t progressMax = 0;            // code 3
  std::wstring text;                       // codes 6, 7
};

// Used on the thread that created it (the main thread) only. Every operation but Create
// does nothing while the host has no control (before creation, after a failed creation,
// after Destroy).
class SimpleBrowser : public WindowHandler {
 public:
  // Class of the host window; registered by the first creation in a process.
  static constexpr const wchar_t* HostClassName = L"ZQBrowserHost";
  // The longest wait for the control's document, in milliseconds of clock time.
  static constexpr unsigned DocumentWaitMs = 5000;

  SimpleBrowser();
  ~SimpleBrowser() override;
  SimpleBrowser(const SimpleBrowser&) = delete;
  SimpleBrowser& operator=(const SimpleBrowser&) = delete;

  // Creates the host window and the control filling it, shows built-in page 180 and waits
  // (bounded) for its document. False, with no window left, when either cannot be made.
  bool Create(std::uint32_t style, const Rect& rect, WindowHandle parent, unsigned id);
  // Create over `window`'s client area as a visible child of it with control id 0xE900.
  bool CreateOver(WindowHandle window);

  void Navigate(const std::wstring& url);
  // Shows a built-in HTML page (RT_HTML resource): UTF-16 with a byte-order mark, UTF-16
  // starting with "<html" in any case, or 8-bit text in the ANSI code page.
  void LoadFromResource(unsigned resourceId);
  // Writes into the current document, and empties it.
  void Write(const std::wstring& html);
  void Clear();
  // The current document, or null.
  std::shared_ptr<WebDocument> GetDocument();
  // Shuts the host down: about:blank, quit and release the control, close both windows.
  void Destroy();

  WindowHandle Hwnd() const { return window_; }
  WindowHandle ControlWindow() const { return controlWindow_; }
  unsigned ControlId() const { return controlId_; }
  // The control itself (IWebBrowser2), null while there is none: for the settings that
  // only the owner makes (silent, offline, drop target).
  WebControl* Browser() const { return browser_.get(); }

  LResult OnMessage(WindowHandle window, unsigned message, WParam wParam, LParam lParam) override;

  // Turns a built-in page's bytes into text by the encoding rules of LoadFromResource;
  // 8-bit text is converted from the system's ANSI code page. Calls the platform.
  static std::wstring DecodeHtmlResource(const std::string& bytes);

 protected:
  // The events of the top-level page (BeforeNavigate2, NavigateComplete2,
  // DocumentComplete), of any frame (NavigateError) and of the control (the others).
  // By default each sends its notification to the parent window; OnBeforeNavigate2
  // returns true (cancel) when the parent answered nonzero; OnNavigateError sends nothing
  // and leaves the control to show its own error page.
  virtual bool OnBeforeNavigate2(const std::wstring& url, const std::wstring& frame,
                                 const std::uint8_t* postData, std::uint32_t postDataSize,
                                 const std::wstring& headers);
  virtual void OnDocumentComplete(const std::wstring& url);
  // A frame inside the page is about to navigate itself; true cancels it. By default it
  // goes ahead and nobody is told.
  virtual bool OnFrameBeforeNavigate2(const std::wstring& url);
  virtual void OnDownloadBegin();
  virtual void OnProgressChange(std::int32_t progress, std::int32_t progressMax);
  virtual void OnDownloadComplete();
  virtual void OnNavigateComplete2(const std::wstring& url);
  virtual void OnStatusTextChange(const std::wstring& text);
  virtual void OnTitleChange(const std::wstring& text);
  // `cancel` set to true keeps the control from showing its own error page.
  virtual void OnNavigateError(const std::wstring& url, const std::wstring& frame,
                               std::int32_t statusCode, bool& cancel);
  // After the host window is gone: quits and releases the control.
  virtual void PostNcDestroy();

 private:
  class Events;
  friend class Events;

  LResult Notify(BrowserNotification& record);
  std::shared_ptr<WebDocument> WaitForDocument();
  void ReleaseBrowser();

  std::unique_ptr<Events> events_;
  std::unique_ptr<WebControl> browser_;  // Browser and BrowserDispatch
  WindowHandle window_ = 0;
  WindowHandle controlWindow_ = 0;  // ControlWindow
  unsigned controlId_ = 0;
  bool documentWaitFailed_ = false;  // the last wait ended without a document
};

}  // namespace zq
