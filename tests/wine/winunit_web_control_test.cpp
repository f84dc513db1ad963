// The hosted web-browser control under Wine beyond its contract: in-place sizes, frames,
// the event sink's decoding and bounded waits for a document that never comes.
#include <exdisp.h>
#include <exdispid.h>

#include <chrono>

#include "panel/SimpleBrowser.h"
#include "platform/win32/win32_web_site.h"
#include "tests/contract/contract.h"
#include "tests/wine/html_engine.h"
#include "winunit_fixture.h"

namespace zq::win32::test {
namespace {

using contract::WebSink;

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
  WebSink sink_;
  std::unique_ptr<WebControl> control_;
};

// In place in its host; the site answers the current rectangle; teardown unlinks all.
TEST_F(WebControlTest, HostedInPlaceWithItsSizesAndTeardown) {
  ASSERT_NO_FATAL_FAILURE(Make());
  HWND window = ToHwnd(control_->Window());
  EXPECT_EQ(::GetDlgCtrlID(window), 0xE900);

  WebSite* site = HostedSite(window);
  ASSERT_NE(site, nullptr);
  EXPECT_EQ(SiteOfHost(host_), site);
  ASSERT_TRUE(w().MoveWindow(control_->Window(), Rect{0, 0, 200, 100}));
  EXPECT_EQ(w().ClientRect(control_->Window()), (Rect{0, 0, 200, 100}));
  IOleInPlaceFrame* frame = nullptr;
  IOleInPlaceUIWindow* document = nullptr;
  RECT position{}, clip{};
  OLEINPLACEFRAMEINFO info{};
  info.cb = sizeof info;
  ASSERT_EQ(site->GetWindowContext(&frame, &document, &position, &clip, &info), S_OK);
  frame->Release();
  EXPECT_EQ(position.right - position.left, 200);
  EXPECT_EQ(position.bottom - position.top, 100);

  site->AddRef();
  control_.reset();
  EXPECT_EQ(HostedSite(window), nullptr);
  EXPECT_EQ(SiteOfHost(host_), nullptr);
  EXPECT_EQ(site->Release(), 0u) << "the closed control let go of its site";
}

// The page's frames, by which commands are judged: none before a document, then a written one.
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
  contract::PumpUntil([&] { return control_->FrameLocations(frames) >= 0 && !frames.empty(); },
                      5000);
  EXPECT_EQ(frames, std::vector<std::wstring>{L"about:blank"});
}

// Without an HTML engine, once the panel host's first wait for a document has given up
// (disable_during_service_window_creation), the control is not waited for again.
TEST_F(WebControlTest, DocumentWaitsAreBounded) {
  if (HtmlEngineInstalled()) GTEST_SKIP() << "this machine loads documents";

  SimpleBrowser browser;
  EXPECT_TRUE(browser.Create(WS_CHILD | WS_VISIBLE, Rect{0, 0, 300, 200}, FromHwnd(host_), 7));
  auto start = std::chrono::steady_clock::now();
  browser.Write(L"<p>x</p>");  // no document: nothing to write into, no wait
  browser.Destroy();
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(3000))
      << "a control that let one whole wait pass is not waited for again";
}

// Arguments read by position from the end through references, frames told apart by the
// sender; a detached site passes nothing on, a short argument list is not read past.
TEST(WebSiteEvents, DecodesArgumentsAndTellsFramesApart) {
  WebSink sink;
  sink.frames = true;
  sink.cancelErrors = false;
  RECT r{0, 0, 10, 10};
  auto* site = new WebSite(nullptr, r, sink);
  auto* other = new WebSite(nullptr, r, sink);  // any dispatch object serves as a frame
  site->SetControl(static_cast<IDispatch*>(site));

  VARIANT url, frame, headers, post, flags, status;
  V_VT(&url) = V_VT(&frame) = V_VT(&headers) = VT_BSTR;
  V_BSTR(&url) = ::SysAllocString(L"http://h/page");
  V_BSTR(&frame) = ::SysAllocString(L"side");
  V_BSTR(&headers) = ::SysAllocString(L"X: 1");
  V_VT(&post) = VT_ARRAY | VT_UI1, V_ARRAY(&post) = ::SafeArrayCreateVector(VT_UI1, 0, 3);
  for (LONG i = 0; i < 3; ++i) {
    unsigned char b = static_cast<unsigned char>('a' + i);
    ::SafeArrayPutElement(V_ARRAY(&post), &i, &b);
  }
  V_VT(&flags) = V_VT(&status) = VT_I4, V_I4(&flags) = 0;
  V_I4(&status) = static_cast<LONG>(0x800C0008u);
  VARIANT_BOOL cancel = VARIANT_FALSE;
  // Arguments come last first: Cancel, then references to the values, then the sender.
  auto invoke = [&](DISPID id, IDispatch* sender, std::vector<VARIANT*> values, UINT count) {
    std::vector<VARIANT> args(values.size() + 2);
    V_VT(&args[0]) = VT_BYREF | VT_BOOL, V_BOOLREF(&args[0]) = &cancel;
    for (size_t i = 0; i < values.size(); ++i)
      V_VT(&args[i + 1]) = VT_BYREF | VT_VARIANT, V_VARIANTREF(&args[i + 1]) = values[i];
    V_VT(&args.back()) = VT_DISPATCH, V_DISPATCH(&args.back()) = sender;
    DISPPARAMS params{args.data(), nullptr, count ? count : UINT(args.size()), 0};
    cancel = VARIANT_FALSE;
    return site->Invoke(id, IID_NULL, 0, DISPATCH_METHOD, &params, nullptr, nullptr, nullptr);
  };
  sink.cancel = true;
  EXPECT_EQ(invoke(DISPID_BEFORENAVIGATE2, other, {&headers, &post, &frame, &flags, &url}, 0),
            S_OK);
  EXPECT_EQ(cancel, VARIANT_TRUE);
  invoke(DISPID_NAVIGATEERROR, site, {&status, &frame, &url}, 0);
  EXPECT_EQ(cancel, VARIANT_FALSE);
  invoke(DISPID_BEFORENAVIGATE2, other, {&headers, &post, &frame, &flags, &url}, 2);
  site->Detach();
  invoke(DISPID_BEFORENAVIGATE2, other, {&headers, &post, &frame, &flags, &url}, 0);
  EXPECT_EQ(sink.events, (std::vector<std::wstring>{
                             L"frame before http://h/page side abc X: 1",
                             L"error http://h/page side " +
                                 std::to_wstring(static_cast<std::int32_t>(0x800C0008u))}));
  for (VARIANT* v : {&url, &frame, &headers, &post}) ::VariantClear(v);
  site->Release();
  other->Release();
}

}  // namespace
}  // namespace zq::win32::test
