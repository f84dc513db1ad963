// The hosted web-browser control under Wine: the event sink's decoding of
// DWebBrowserEvents2 arguments, and bounded waits for a document that a machine without an
// HTML engine never gets. The control's own contract is in tests/contract/.
#include <exdisp.h>
#include <exdispid.h>

#include <chrono>

#include "panel/SimpleBrowser.h"
#include "platform/win32/win32_web_site.h"
#include "tests/wine/html_engine.h"
#include "winunit_fixture.h"

namespace zq::win32::test {
namespace {

struct Seen {
  bool topLevel = false;
  std::wstring url, frame, headers;
  bool hadPostData = false;
  std::vector<std::uint8_t> postData;
  std::int32_t status = 0;
};

// Records events; may cancel BeforeNavigate2 and NavigateError.
struct Sink : WebControlEvents {
  std::vector<Seen> before, errors;
  bool cancelBefore = false, cancelError = false;

  void BeforeNavigate2(bool topLevel, const std::wstring& url, const std::wstring& frame,
                       const std::vector<std::uint8_t>* post, const std::wstring& headers,
                       bool& cancel) override {
    Seen s{
        topLevel, url, frame, headers, post != nullptr, post ? *post : std::vector<std::uint8_t>{}};
    before.push_back(s);
    cancel = cancelBefore;
  }
  void NavigateComplete2(bool, const std::wstring&) override {}
  void DocumentComplete(bool, const std::wstring&) override {}
  void NavigateError(bool topLevel, const std::wstring& url, const std::wstring& frame,
                     std::int32_t status, bool& cancel) override {
    Seen s;
    s.topLevel = topLevel;
    s.url = url;
    s.frame = frame;
    s.status = status;
    errors.push_back(s);
    cancel = cancelError;
  }
  void DownloadBegin() override {}
  void DownloadComplete() override {}
  void ProgressChange(std::int32_t, std::int32_t) override {}
  void StatusTextChange(const std::wstring&) override {}
  void TitleChange(const std::wstring&) override {}
};

// Runs the thread's messages until `done` or until `ms` have passed.
template <class Done>
bool PumpUntil(Done done, DWORD ms) {
  const ULONGLONG end = ::GetTickCount64() + ms;
  while (!done()) {
    if (::GetTickCount64() >= end) return false;
    MSG msg;
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      ::TranslateMessage(&msg);
      ::DispatchMessageW(&msg);
    }
    ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
  }
  return true;
}

class WebControlTest : public BackendTest {
 protected:
  void SetUp() override {
    BackendTest::SetUp();
    static const HRESULT ole = ::OleInitialize(nullptr);
    ASSERT_TRUE(SUCCEEDED(ole));
    host_ = ::CreateWindowExW(0, L"STATIC", L"host", WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, 0, 0,
                              400, 300, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(host_, nullptr);
  }
  void TearDown() override {
    control_.reset();
    ::DestroyWindow(host_);
  }
  void Make() {
    control_ = p->web().Create(FromHwnd(host_), Rect{0, 0, 400, 300}, ws::Visible, 0xE900, sink_);
    ASSERT_NE(control_, nullptr) << "the control is made and placed in its host";
  }

  HWND host_ = nullptr;
  Sink sink_;
  std::unique_ptr<WebControl> control_;
};

// In place inside its host with the id and tab stop asked for. Later sizes reach the
// control through its in-place object, so the site answers the current rectangle; a key
// forwarded to the host reaches the control's accelerator handling; teardown unlinks all.
TEST_F(WebControlTest, HostedInPlaceWithItsSizesKeysAndTeardown) {
  control_ =
      p->web().Create(FromHwnd(host_), Rect{0, 0, 1, 1}, ws::Visible | WS_TABSTOP, 0xE900, sink_);
  ASSERT_NE(control_, nullptr);
  HWND window = ToHwnd(control_->Window());
  ASSERT_TRUE(::IsWindow(window));
  EXPECT_EQ(::GetParent(window), host_);
  EXPECT_EQ(::GetDlgCtrlID(window), 0xE900);
  EXPECT_NE(::GetWindowLongW(window, GWL_STYLE) & WS_TABSTOP, 0);
  EXPECT_GE(control_->SetSilent(true), 0);
  EXPECT_GE(control_->SetRegisterAsDropTarget(false), 0);

  WebSite* site = HostedSite(window);
  ASSERT_NE(site, nullptr);
  EXPECT_EQ(SiteOfHost(host_), site);
  ASSERT_TRUE(w().MoveWindow(control_->Window(), Rect{0, 0, 200, 100}));
  EXPECT_EQ(w().ClientRect(control_->Window()), (Rect{0, 0, 200, 100}));
  IOleInPlaceFrame* frame = nullptr;
  IOleInPlaceUIWindow* document = nullptr;
  RECT position{}, clip{};
  OLEINPLACEFRAMEINFO info{sizeof info};
  ASSERT_EQ(site->GetWindowContext(&frame, &document, &position, &clip, &info), S_OK);
  frame->Release();
  EXPECT_EQ(position.right - position.left, 200);
  EXPECT_EQ(position.bottom - position.top, 100);

  ForwardedMessage key{FromHwnd(window), WM_KEYDOWN, VK_F5, 0};
  w().DefaultProc(FromHwnd(host_), wm::ForwardMsg, 0, reinterpret_cast<LParam>(&key));
  EXPECT_EQ(site->KeysOffered(VK_F5), 1u);

  site->AddRef();
  control_.reset();
  EXPECT_EQ(HostedSite(window), nullptr);
  EXPECT_EQ(SiteOfHost(host_), nullptr);
  EXPECT_EQ(site->Release(), 0u) << "the closed control let go of its site";
}

// The frames inside the page, as the client judges a command by them (the simulated control
// lists the frames a page loaded): none before a document, and a written frame once there.
TEST_F(WebControlTest, FrameLocationsListTheDocumentsFrames) {
  Make();
  std::vector<std::wstring> frames{L"stale"};
  EXPECT_GE(control_->FrameLocations(frames), 0);
  EXPECT_TRUE(frames.empty());
  std::shared_ptr<WebDocument> document;
  if (!HtmlEngineInstalled() || control_->Document(document) < 0 || !document)
    GTEST_SKIP() << "no HTML engine in this prefix: no document can hold a frame";
  document->Write(L"<iframe src=\"about:blank\"></iframe>");
  document->Close();
  PumpUntil([&] { return control_->FrameLocations(frames) >= 0 && !frames.empty(); }, 5000);
  EXPECT_EQ(frames, std::vector<std::wstring>{L"about:blank"});
}

// Without an HTML engine the control never gets a document: asking answers at once with
// none, and the panel host's wait gives up after its bound instead of hanging.
TEST_F(WebControlTest, DocumentWaitsAreBounded) {
  Make();
  std::shared_ptr<WebDocument> document;
  EXPECT_GE(control_->Document(document), 0);
  if (HtmlEngineInstalled()) GTEST_SKIP() << "this machine loads documents";
  EXPECT_EQ(document, nullptr);

  SimpleBrowser browser;
  auto start = std::chrono::steady_clock::now();
  bool made = browser.Create(WS_CHILD | WS_VISIBLE, Rect{0, 0, 300, 200}, FromHwnd(host_), 7);
  auto spent = std::chrono::steady_clock::now() - start;
  EXPECT_TRUE(made);
  EXPECT_LT(spent, std::chrono::milliseconds(SimpleBrowser::DocumentWaitMs * 2 + 3000));
  start = std::chrono::steady_clock::now();
  browser.Write(L"<p>x</p>");  // no document: nothing to write into, no wait
  browser.Destroy();
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(3000))
      << "a control that let one whole wait pass is not waited for again";
}

// The sink reads arguments by position from the end, following references to variants,
// and tells a frame's events from the control's own by the sender.
TEST(WebSiteEvents, DecodesArgumentsAndTellsFramesApart) {
  Sink sink;
  RECT r{0, 0, 10, 10};
  auto* site = new WebSite(nullptr, r, sink);
  auto* other = new WebSite(nullptr, r, sink);  // any dispatch object serves as a frame
  site->SetControl(static_cast<IDispatch*>(site));

  BSTR url = ::SysAllocString(L"http://h/page"), frame = ::SysAllocString(L"side"),
       headers = ::SysAllocString(L"X: 1\r\n");
  VARIANT urlInner, frameInner, headersInner, postInner, flags;
  V_VT(&urlInner) = VT_BSTR, V_BSTR(&urlInner) = url;
  V_VT(&frameInner) = VT_BSTR, V_BSTR(&frameInner) = frame;
  V_VT(&headersInner) = VT_BSTR, V_BSTR(&headersInner) = headers;
  SAFEARRAY* bytes = ::SafeArrayCreateVector(VT_UI1, 0, 3);
  for (LONG i = 0; i < 3; ++i) {
    unsigned char b = static_cast<unsigned char>('a' + i);
    ::SafeArrayPutElement(bytes, &i, &b);
  }
  V_VT(&postInner) = VT_ARRAY | VT_UI1, V_ARRAY(&postInner) = bytes;
  V_VT(&flags) = VT_I4, V_I4(&flags) = 0;
  VARIANT_BOOL cancel = VARIANT_FALSE;
  VARIANT args[7];
  auto ref = [](VARIANT& v, VARIANT* inner) {
    V_VT(&v) = VT_BYREF | VT_VARIANT, V_VARIANTREF(&v) = inner;
  };
  V_VT(&args[0]) = VT_BYREF | VT_BOOL, V_BOOLREF(&args[0]) = &cancel;
  ref(args[1], &headersInner);
  ref(args[2], &postInner);
  ref(args[3], &frameInner);
  ref(args[4], &flags);
  ref(args[5], &urlInner);
  V_VT(&args[6]) = VT_DISPATCH, V_DISPATCH(&args[6]) = static_cast<IDispatch*>(other);
  DISPPARAMS params{args, nullptr, 7, 0};
  sink.cancelBefore = true;
  EXPECT_EQ(site->Invoke(DISPID_BEFORENAVIGATE2, IID_NULL, 0, DISPATCH_METHOD, &params, nullptr,
                         nullptr, nullptr),
            S_OK);
  ASSERT_EQ(sink.before.size(), 1u);
  EXPECT_FALSE(sink.before[0].topLevel) << "another object's event is a frame's";
  EXPECT_EQ(sink.before[0].url, L"http://h/page");
  EXPECT_EQ(sink.before[0].frame, L"side");
  EXPECT_EQ(sink.before[0].headers, L"X: 1\r\n");
  ASSERT_TRUE(sink.before[0].hadPostData);
  EXPECT_EQ(sink.before[0].postData, (std::vector<std::uint8_t>{'a', 'b', 'c'}));
  EXPECT_EQ(cancel, VARIANT_TRUE);

  // NavigateError(pDisp, URL, Frame, StatusCode, Cancel) from the control itself.
  VARIANT status, errorArgs[5];
  V_VT(&status) = VT_I4, V_I4(&status) = static_cast<LONG>(0x800C0008u);
  cancel = VARIANT_FALSE;
  V_VT(&errorArgs[0]) = VT_BYREF | VT_BOOL, V_BOOLREF(&errorArgs[0]) = &cancel;
  ref(errorArgs[1], &status);
  ref(errorArgs[2], &frameInner);
  ref(errorArgs[3], &urlInner);
  V_VT(&errorArgs[4]) = VT_DISPATCH, V_DISPATCH(&errorArgs[4]) = static_cast<IDispatch*>(site);
  DISPPARAMS errorParams{errorArgs, nullptr, 5, 0};
  site->Invoke(DISPID_NAVIGATEERROR, IID_NULL, 0, DISPATCH_METHOD, &errorParams, nullptr, nullptr,
               nullptr);
  ASSERT_EQ(sink.errors.size(), 1u);
  EXPECT_TRUE(sink.errors[0].topLevel);
  EXPECT_EQ(sink.errors[0].status, static_cast<std::int32_t>(0x800C0008u));
  EXPECT_EQ(cancel, VARIANT_FALSE);

  // A detached site passes nothing on; a short argument list is ignored, not read past.
  DISPPARAMS shortParams{args, nullptr, 2, 0};
  site->Invoke(DISPID_BEFORENAVIGATE2, IID_NULL, 0, DISPATCH_METHOD, &shortParams, nullptr, nullptr,
               nullptr);
  site->Detach();
  site->Invoke(DISPID_BEFORENAVIGATE2, IID_NULL, 0, DISPATCH_METHOD, &params, nullptr, nullptr,
               nullptr);
  EXPECT_EQ(sink.before.size(), 1u);

  ::SysFreeString(url), ::SysFreeString(frame), ::SysFreeString(headers);
  ::SafeArrayDestroy(bytes);
  site->Release();
  other->Release();
}

}  // namespace
}  // namespace zq::win32::test
