// The web-browser host: creation of the host window and its control, built-in pages,
// writing into the document, bounded waits for a document, and the control's events
// passed on as overridable operations and WM_NOTIFY records.
#include "panel/SimpleBrowser.h"

#include <cwctype>

#include "app/ErrorReport.h"
#include "app/Messages.h"

namespace zq {

namespace {

constexpr std::uint32_t kTabStop = 0x00010000;  // WS_TABSTOP
// Pause between two looks for a document while waiting for one.
constexpr unsigned kDocumentPollMs = 10;

std::uint16_t UnitAt(const std::string& bytes, size_t index) {
  return static_cast<std::uint16_t>(static_cast<unsigned char>(bytes[2 * index]) |
                                    (static_cast<unsigned char>(bytes[2 * index + 1]) << 8));
}

// UTF-16 units (little-endian) to a wide string; pairs combine where wchar_t is 32 bits.
std::wstring FromUtf16(const std::string& bytes, size_t first, size_t count) {
  std::wstring out;
  out.reserve(count);
  for (size_t i = first; i < first + count; ++i) {
    std::uint32_t u = UnitAt(bytes, i);
    if (sizeof(wchar_t) > 2 && u >= 0xD800 && u <= 0xDBFF && i + 1 < first + count) {
      std::uint32_t low = UnitAt(bytes, i + 1);
      if (low >= 0xDC00 && low <= 0xDFFF) {
        out += static_cast<wchar_t>(0x10000 + ((u - 0xD800) << 10) + (low - 0xDC00));
        ++i;
        continue;
      }
    }
    out += static_cast<wchar_t>(u);
  }
  return out;
}

bool StartsWithHtmlTag(const std::string& bytes) {
  static const wchar_t kTag[] = L"<HTML";
  for (size_t i = 0; i < 5; ++i) {
    wint_t unit = static_cast<wint_t>(UnitAt(bytes, i));
    if (static_cast<wchar_t>(i == 0 ? unit : std::towupper(unit)) != kTag[i]) return false;
  }
  return true;
}

}  // namespace

// The control's events, turned into the host's operations: BeforeNavigate2,
// NavigateComplete2 and DocumentComplete only for the top-level page.
class SimpleBrowser::Events : public WebControlEvents {
 public:
  explicit Events(SimpleBrowser& host) : host_(host) {}

  void BeforeNavigate2(bool topLevel, const std::wstring& url, const std::wstring& targetFrame,
                       const std::vector<std::uint8_t>* postData, const std::wstring& headers,
                       bool& cancel) override {
    if (!topLevel) {
      cancel = host_.OnFrameBeforeNavigate2(url);
      return;
    }
    std::vector<std::uint8_t> copy;
    if (postData) copy = *postData;
    cancel = host_.OnBeforeNavigate2(url, targetFrame, postData ? copy.data() : nullptr,
                                     static_cast<std::uint32_t>(copy.size()), std::wstring());
  }
  void NavigateComplete2(bool topLevel, const std::wstring& url) override {
    if (topLevel) host_.OnNavigateComplete2(url);
  }
  void DocumentComplete(bool topLevel, const std::wstring& url) override {
    if (topLevel) host_.OnDocumentComplete(url);
  }
  void NavigateError(bool topLevel, const std::wstring& url, const std::wstring& targetFrame,
                     std::int32_t statusCode, bool& cancel) override {
    bool flag = false;
    host_.OnNavigateError(url, targetFrame, statusCode, flag);
    cancel = flag;
  }
  void DownloadBegin() override { host_.OnDownloadBegin(); }
  void DownloadComplete() override { host_.OnDownloadComplete(); }
  void ProgressChange(std::int32_t progress, std::int32_t progressMax) override {
    host_.OnProgressChange(progress, progressMax);
  }
  void StatusTextChange(const std::wstring& text) override { host_.OnStatusTextChange(text); }
  void TitleChange(const std::wstring& text) override { host_.OnTitleChange(text); }

 private:
  SimpleBrowser& host_;
};

SimpleBrowser::SimpleBrowser() : events_(std::make_unique<Events>(*this)) {}

SimpleBrowser::~SimpleBrowser() {
  // A window still alive must not keep this object as its handler.
  if (window_ != 0 && CurrentPlatform()) {
    Quietly([this] {
      if (Plat().windows().IsWindow(window_)) Plat().windows().Destroy(window_);
    });
  }
  browser_.reset();
}

bool SimpleBrowser::Create(std::uint32_t style, const Rect& rect, WindowHandle parent,
                           unsigned id) {
  browser_.reset();
  Windows& windows = Plat().windows();
  WindowClass hostClass;  // redrawn whole when sized; no cursor, brush or icon
  hostClass.name = HostClassName;
  hostClass.style = WindowClass::HRedraw | WindowClass::VRedraw;
  windows.RegisterClass(hostClass);  // a repeated registration changes nothing
  WindowSpec desc;
  desc.className = HostClassName;
  desc.style = style;
  desc.rect = rect;
  desc.parent = parent;
  desc.handler = this;
  controlId_ = id;
  WindowHandle host = windows.Create(desc);
  if (host == 0) {
    window_ = 0;
    return false;
  }
  window_ = host;

  Rect inside{0, 0, rect.Width(), rect.Height()};
  std::unique_ptr<WebControl> control =
      Plat().web().Create(host, inside, ws::Visible | kTabStop, IDC_BROWSER_CONTROL, *events_);
  if (!control) {
    windows.Destroy(host);
    window_ = 0;
    return false;
  }
  controlWindow_ = control->Window();
  browser_ = std::move(control);

  LoadFromResource(IDR_HTML_DISABLED);
  WaitForDocument();
  return true;
}

bool SimpleBrowser::CreateOver(WindowHandle window) {
  Windows& windows = Plat().windows();
  Rect r = windows.WindowRect(window);
  Rect own{0, 0, r.Width(), r.Height()};  // its window rectangle in its client coordinates
  return Create(ws::Child | ws::Visible, own, window, IDC_BROWSER_CONTROL);
}

void SimpleBrowser::Navigate(const std::wstring& url) {
  if (!browser_) return;
  browser_->Navigate(url, 0, std::wstring(), {}, std::wstring());
}

std::wstring SimpleBrowser::DecodeHtmlResource(const std::string& bytes) {
  const size_t size = bytes.size();
  if (size >= 2 && UnitAt(bytes, 0) == 0xFEFF) return FromUtf16(bytes, 1, size / 2 - 1);
  if (size >= 2 && size / 2 >= 5 && StartsWithHtmlTag(bytes)) return FromUtf16(bytes, 0, size / 2);
  return Plat().system().AnsiToWide(bytes);
}

void SimpleBrowser::LoadFromResource(unsigned resourceId) {
  if (!browser_) return;
  std::optional<std::string> bytes =
      Plat().resources().Raw(L"#" + std::to_wstring(RT_HTML_TYPE), resourceId);
  std::wstring text = DecodeHtmlResource(bytes ? *bytes : std::string());
  Clear();
  Write(text);
}

void SimpleBrowser::Write(const std::wstring& html) {
  std::shared_ptr<WebDocument> document = GetDocument();
  if (document) document->Write(html);
}

void SimpleBrowser::Clear() {
  if (!browser_) return;
  std::shared_ptr<WebDocument> document = GetDocument();
  if (document) {
    document->Close();
    if (document->Open(L"text/html", L"_self") == hr::Ok && browser_) browser_->Refresh();
    return;
  }
  Navigate(L"about:blank");
  WaitForDocument();
}

std::shared_ptr<WebDocument> SimpleBrowser::GetDocument() {
  std::shared_ptr<WebDocument> document;
  if (!browser_ || browser_->Document(document) < 0) return nullptr;
  return document;
}

std::shared_ptr<WebDocument> SimpleBrowser::WaitForDocument() {
  Clock& clock = Plat().clock();
  const std::uint64_t start = clock.TickMs();
  for (unsigned pause = 0;; pause = kDocumentPollMs) {
    clock.Sleep(pause);
    // The control may need its thread's messages to finish loading, so the wait handles
    // them; whatever they do meanwhile must be safe against re-entry (a panel that is being
    // made defers its close until its creation has returned).
    Plat().windows().PumpPending();
    std::shared_ptr<WebDocument> document;
    if (!browser_ || browser_->Document(document) < 0) return nullptr;
    if (document) {
      documentWaitFailed_ = false;
      return document;
    }
    // A control that let a whole wait pass without a document is not waited for again
    // until it shows one, so that a machine that cannot load pages loses the time once.
    if (documentWaitFailed_ || clock.TickMs() - start >= DocumentWaitMs) {
      documentWaitFailed_ = true;
      return nullptr;
    }
  }
}

void SimpleBrowser::Destroy() {
  if (!browser_) return;
  Navigate(L"about:blank");
  WaitForDocument();
  ReleaseBrowser();
  Windows& windows = Plat().windows();
  if (windows.IsWindow(controlWindow_)) windows.Post(controlWindow_, wm::Close, 0, 0);
  if (windows.IsWindow(window_)) windows.Post(window_, wm::Close, 0, 0);
}

void SimpleBrowser::ReleaseBrowser() {
  if (!browser_) return;
  std::unique_ptr<WebControl> control = std::move(browser_);
  control->Quit();
}

void SimpleBrowser::PostNcDestroy() { ReleaseBrowser(); }

LResult SimpleBrowser::OnMessage(WindowHandle window, unsigned message, WParam wParam,
                                 LParam lParam) {
  Windows& windows = Plat().windows();
  switch (message) {
    case wm::NcCreate:
      window_ = window;
      break;
    case wm::Size: {
      LResult r = windows.DefaultProc(window, message, wParam, lParam);
      if (browser_) {
        int width = static_cast<int>(lParam & 0xFFFF);
        int height = static_cast<int>((lParam >> 16) & 0xFFFF);
        windows.MoveWindow(controlWindow_, Rect{0, 0, width, height});
      }
      return r;
    }
    case wm::NcDestroy: {
      LResult r = windows.DefaultProc(window, message, wParam, lParam);
      window_ = 0;
      controlWindow_ = 0;
      PostNcDestroy();
      return r;
    }
    default:
      break;
  }
  return windows.DefaultProc(window, message, wParam, lParam);
}

// ---------------------------------------------------------------------------------------
// Default operations: notifications to the parent window

LResult SimpleBrowser::Notify(BrowserNotification& record) {
  if (window_ == 0) return 0;
  Windows& windows = Plat().windows();
  WindowHandle parent = windows.Parent(window_);
  if (parent == 0) return 0;
  record.window = window_;
  record.id = controlId_;
  return windows.Send(parent, wm::Notify, controlId_, reinterpret_cast<LParam>(&record));
}

bool SimpleBrowser::OnBeforeNavigate2(const std::wstring& url, const std::wstring& frame,
                                      const std::uint8_t* postData, std::uint32_t postDataSize,
                                      const std::wstring& headers) {
  BrowserNotification n;
  n.code = BROWSER_NOTIFY_BEFORE_NAVIGATE2;
  n.url = url;
  n.frame = frame;
  n.postData = postData;
  n.postDataSize = postDataSize;
  n.headers = headers;
  return Notify(n) != 0;
}

bool SimpleBrowser::OnFrameBeforeNavigate2(const std::wstring& url) { return false; }

void SimpleBrowser::OnDocumentComplete(const std::wstring& url) {
  BrowserNotification n;
  n.code = BROWSER_NOTIFY_DOCUMENT_COMPLETE;
  n.url = url;
  Notify(n);
}

void SimpleBrowser::OnDownloadBegin() {
  BrowserNotification n;
  n.code = BROWSER_NOTIFY_DOWNLOAD_BEGIN;
  Notify(n);
}

void SimpleBrowser::OnProgressChange(std::int32_t progress, std::int32_t progressMax) {
  BrowserNotification n;
  n.code = BROWSER_NOTIFY_PROGRESS_CHANGE;
  n.progress = progress;
  n.progressMax = progressMax;
  Notify(n);
}

void SimpleBrowser::OnDownloadComplete() {
  BrowserNotification n;
  n.code = BROWSER_NOTIFY_DOWNLOAD_COMPLETE;
  Notify(n);
}

void SimpleBrowser::OnNavigateComplete2(const std::wstring& url) {
  BrowserNotification n;
  n.code = BROWSER_NOTIFY_NAVIGATE_COMPLETE2;
  n.url = url;
  Notify(n);
}

void SimpleBrowser::OnStatusTextChange(const std::wstring& text) {
  BrowserNotification n;
  n.code = BROWSER_NOTIFY_STATUS_TEXT_CHANGE;
  n.text = text;
  Notify(n);
}

void SimpleBrowser::OnTitleChange(const std::wstring& text) {
  BrowserNotification n;
  n.code = BROWSER_NOTIFY_TITLE_CHANGE;
  n.text = text;
  Notify(n);
}

void SimpleBrowser::OnNavigateError(const std::wstring& url, const std::wstring& frame,
                                    std::int32_t statusCode, bool& cancel) {
  cancel = false;  // the control shows its own error page
}

}  // namespace zq
