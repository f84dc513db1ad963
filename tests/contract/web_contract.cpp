// Contract cases of the web-browser control and the Internet Explorer application object:
// the control in its host, the order of navigation events, cancelling, error codes,
// document readiness, a release from inside an event, and the bounded application object.
#include <algorithm>
#include <utility>

#include "tests/contract/contract.h"

namespace zq::contract {
namespace {

Desktop& D() { return TheDesktop(); }
constexpr std::uint32_t kTabStop = 0x00010000;  // WS_TABSTOP
const char* const kNoEngine = "Wine here has no HTML engine: no document ever loads";

// Records the top-level events as "before URL", "navigated URL", "complete URL" and
// "error code" or "error status"; may cancel BeforeNavigate2 or run `during` inside it.
struct Sink : WebControlEvents {
  std::vector<std::wstring> events;
  bool cancel = false;
  std::function<void()> during;

  void Add(bool topLevel, const std::wstring& what) {
    if (topLevel) events.push_back(what);
  }
  void BeforeNavigate2(bool topLevel, const std::wstring& url, const std::wstring&,
                       const std::vector<std::uint8_t>* post, const std::wstring&,
                       bool& c) override {
    Add(topLevel, L"before " + url + (post ? L" with data" : L""));
    c = cancel;
    if (during) std::exchange(during, nullptr)();
  }
  void NavigateComplete2(bool top, const std::wstring& url) override {
    Add(top, L"navigated " + url);
  }
  void DocumentComplete(bool top, const std::wstring& url) override {
    Add(top, L"complete " + url);
  }
  void NavigateError(bool top, const std::wstring&, const std::wstring&, std::int32_t status,
                     bool& c) override {
    Add(top, status < 0 ? L"error code" : L"error status");
    c = true;
  }
  void DownloadBegin() override {}
  void DownloadComplete() override {}
  void ProgressChange(std::int32_t, std::int32_t) override {}
  void StatusTextChange(const std::wstring&) override {}
  void TitleChange(const std::wstring&) override {}
};

// A visible host window with a control in it, both gone with the object.
struct Hosted {
  Recorder host;
  WindowHandle window = 0;
  Sink sink;
  std::unique_ptr<WebControl> control;
  Hosted() {
    window = Open(host, ws::Popup | ws::Visible | ws::ClipChildren, 0, Rect{0, 0, 400, 300});
    control =
        Plat().web().Create(window, Rect{0, 0, 400, 300}, ws::Visible | kTabStop, 0xE900, sink);
  }
  ~Hosted() {
    control.reset();
    Plat().windows().Destroy(window);
  }
};

// The control is a child window of its host with the style it was given (reachable by
// Tab), and has no document before its first load.
TEST(WebContract, ControlLivesInItsHost) {
  D().Run([] {
    Hosted h;
    ASSERT_NE(h.control, nullptr);
    Windows& w = Plat().windows();
    WindowHandle window = h.control->Window();
    EXPECT_EQ(w.Parent(window), h.window);
    EXPECT_TRUE(w.IsVisible(window));
    EXPECT_TRUE(w.Style(window) & kTabStop);
    EXPECT_GE(h.control->SetSilent(true), 0);
    EXPECT_GE(h.control->SetRegisterAsDropTarget(false), 0);
    std::shared_ptr<WebDocument> document;
    EXPECT_EQ(h.control->Document(document), hr::Ok);
    EXPECT_EQ(document, nullptr);
  });
}

// A cancelled top-level navigation raises BeforeNavigate2 with its address and nothing
// else, and leaves the location as it was.
TEST(WebContract, CancelledNavigationLeavesTheLocation) {
  D().Run([] {
    Hosted h;
    ASSERT_NE(h.control, nullptr);
    std::wstring before, after;
    ASSERT_GE(h.control->LocationUrl(before), 0);
    h.sink.cancel = true;
    EXPECT_GE(h.control->Navigate(L"zqwndcmd::close", 0, L"", {}, L""), 0);
    PumpUntil([] { return false; }, 300);
    EXPECT_EQ(h.sink.events, (std::vector<std::wstring>{L"before zqwndcmd::close"}));
    ASSERT_GE(h.control->LocationUrl(after), 0);
    EXPECT_EQ(after, before);
  });
}

// A handler may release its control from inside an event raised by Navigate; nothing
// reaches the sink afterwards.
TEST(WebContract, ReleaseFromInsideAnEvent) {
  D().Run([] {
    Hosted h;
    ASSERT_NE(h.control, nullptr);
    h.sink.cancel = true;
    h.sink.during = [&] { h.control.reset(); };
    h.control->Navigate(L"zqwndcmd::release", 0, L"", {}, L"");
    PumpUntil([] { return false; }, 300);
    EXPECT_EQ(h.control, nullptr);
    EXPECT_EQ(h.sink.events.size(), 1u);
  });
}

// An address where nothing listens fails with a component code (negative), not an HTTP
// status, in a top-level NavigateError.
TEST(WebContract, UnreachableAddressRaisesNavigateError) {
  D().Run([] {
    const std::wstring address = L"http://127.0.0.1:9/";
    D().MakeUnreachable(address);
    Hosted h;
    ASSERT_NE(h.control, nullptr);
    EXPECT_GE(h.control->Navigate(address, 0, L"", {}, L""), 0);
    auto& seen = h.sink.events;
    auto failed = [&] { return std::find(seen.begin(), seen.end(), L"error code") != seen.end(); };
    ASSERT_TRUE(PumpUntil(failed, 20000)) << "a component code, not an HTTP status";
    EXPECT_EQ(seen.front(), L"before " + address);
  });
}

// A load raises BeforeNavigate2, NavigateComplete2 and DocumentComplete in that order; the
// document the control hands out afterwards is the finished one.
TEST(WebContract, NavigationEventsInOrderAndDocumentReadiness) {
  if (!D().HasHtmlEngine()) GTEST_SKIP() << kNoEngine;
  D().Run([] {
    Hosted h;
    ASSERT_NE(h.control, nullptr);
    h.control->Navigate(L"about:blank", 0, L"", {}, L"");
    ASSERT_TRUE(PumpUntil([&] { return h.sink.events.size() >= 3; }));
    EXPECT_EQ(h.sink.events,
              (std::vector<std::wstring>{L"before about:blank", L"navigated about:blank",
                                         L"complete about:blank"}));
    std::shared_ptr<WebDocument> document;
    ASSERT_EQ(h.control->Document(document), hr::Ok);
    ASSERT_NE(document, nullptr);
    std::wstring url;
    EXPECT_EQ(document->Url(url), hr::Ok);
    EXPECT_EQ(url, L"about:blank");
  });
}

// The application object: a failure comes without an object, within a bound; an object
// that is made answers for its window and has no document before a load.
TEST(WebContract, InternetExplorerApplicationObject) {
  D().Run([] {
    ASSERT_GE(Plat().com().Initialize(), 0);
    std::unique_ptr<IEApplication> app;
    Clock& clock = Plat().clock();
    std::uint64_t start = clock.TickMs();
    HResult made = Plat().ieApps().Create(false, app);
    EXPECT_LT(clock.TickMs() - start, 60000u);
    if (made < 0) {
      EXPECT_EQ(app, nullptr);
    } else {
      ASSERT_NE(app, nullptr);
      WindowHandle window = 0;
      EXPECT_EQ(app->Window(window), hr::Ok);
      if (D().IsWine()) {
        app.reset();
        Plat().com().Uninitialize();
        GTEST_SKIP() << "not under Wine: its application object implements neither "
                        "get_Document before a load nor Quit (E_NOTIMPL)";
      }
      std::shared_ptr<WebDocument> document;
      EXPECT_EQ(app->Document(document), hr::Ok);
      EXPECT_EQ(document, nullptr);
      EXPECT_GE(app->Quit(), 0);
    }
    app.reset();
    Plat().com().Uninitialize();
  });
}

}  // namespace
}  // namespace zq::contract
