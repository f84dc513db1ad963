// Contract cases of the web-browser control and the Internet Explorer application object:
// the control in its host, navigation events, cancelling, errors, readiness and release.
#include <algorithm>

#include "tests/contract/contract.h"

namespace zq::contract {
namespace {

constexpr std::uint32_t kTabStop = 0x00010000;  // WS_TABSTOP

// A visible host window with a control in it, both gone with the object.
struct Hosted {
  Recorder host;
  WindowHandle window = Open(host, ws::Popup | ws::Visible | ws::ClipChildren, 0, {0, 0, 400, 300});
  WebSink sink;
  std::unique_ptr<WebControl> control =
      Plat().web().Create(window, Rect{0, 0, 400, 300}, ws::Visible | kTabStop, 0xE900, sink);
  ~Hosted() {
    control.reset();
    W().Destroy(window);
  }
};

// The control keeps its style and has no document before a load. A cancelled navigation
// raises BeforeNavigate2 alone; a handler may release the control inside it.
ZQ_CONTRACT(WebContract, ControlInItsHostCancellingAndReleaseFromAnEvent) {
  Hosted h;
  ASSERT_NE(h.control, nullptr);
  WindowHandle window = h.control->Window();
  EXPECT_EQ(W().Parent(window), h.window);
  EXPECT_TRUE(W().IsVisible(window) && (W().Style(window) & kTabStop));
  EXPECT_GE(h.control->SetSilent(true), 0);
  EXPECT_GE(h.control->SetRegisterAsDropTarget(false), 0);
  std::shared_ptr<WebDocument> document;
  EXPECT_EQ(h.control->Document(document), hr::Ok);
  EXPECT_EQ(document, nullptr);

  std::wstring before, after;
  ASSERT_GE(h.control->LocationUrl(before), 0);
  h.sink.cancel = true;
  EXPECT_GE(h.control->Navigate(L"zqwndcmd::close", 0, L"", {}, L""), 0);
  PumpUntil([] { return false; }, 300);
  EXPECT_EQ(h.sink.events, (std::vector<std::wstring>{L"before zqwndcmd::close"}));
  ASSERT_GE(h.control->LocationUrl(after), 0);
  EXPECT_EQ(after, before);

  h.sink.during = [&] { h.control.reset(); };
  h.control->Navigate(L"zqwndcmd::release", 0, L"", {}, L"");
  PumpUntil([] { return false; }, 300);
  EXPECT_EQ(h.control, nullptr);
  EXPECT_EQ(h.sink.events.size(), 2u);
}

// Where nothing listens a component code fails the navigation; a load raises its three
// events in order and hands out its document.
ZQ_CONTRACT(WebContract, NavigateErrorEventsInOrderAndDocumentReadiness) {
  const std::wstring address = L"http://127.0.0.1:9/";
  TheDesktop().MakeUnreachable(address);
  Hosted h;
  ASSERT_NE(h.control, nullptr);
  auto& seen = h.sink.events;
  EXPECT_GE(h.control->Navigate(address, 0, L"", {}, L""), 0);
  auto failed = [&] {  // " -": a negative status
    return std::any_of(seen.begin(), seen.end(), [&](const std::wstring& e) {
      return e.rfind(L"error " + address, 0) == 0 && e.find(L" -") != std::wstring::npos;
    });
  };
  ASSERT_TRUE(PumpUntil(failed, 20000)) << "a component code, not an HTTP status";
  EXPECT_EQ(seen.front(), L"before " + address);
  if (!TheDesktop().HasHtmlEngine())
    GTEST_SKIP() << "in part: Wine here has no HTML engine, no document ever loads";
  seen.clear();
  h.control->Navigate(L"about:blank", 0, L"", {}, L"");
  ASSERT_TRUE(PumpUntil([&] { return seen.size() >= 3; }));
  EXPECT_EQ(seen, (std::vector<std::wstring>{L"before about:blank", L"navigated about:blank",
                                             L"complete about:blank"}));
  std::shared_ptr<WebDocument> document;
  ASSERT_EQ(h.control->Document(document), hr::Ok);
  ASSERT_NE(document, nullptr);
  std::wstring url;
  EXPECT_EQ(document->Url(url), hr::Ok);
  EXPECT_EQ(url, L"about:blank");
}

// The application object comes within a bound or fails without one; it has no document yet.
ZQ_CONTRACT(WebContract, InternetExplorerApplicationObject) {
  ASSERT_GE(Plat().com().Initialize(), 0);
  std::unique_ptr<IEApplication> app;
  const std::uint64_t start = Plat().clock().TickMs();
  HResult made = Plat().ieApps().Create(false, app);
  EXPECT_LT(Plat().clock().TickMs() - start, 60000u);
  EXPECT_EQ(made < 0, app == nullptr);
  WindowHandle window = 0;
  EXPECT_TRUE(!app || app->Window(window) == hr::Ok);
  std::shared_ptr<WebDocument> document;
  if (app && !TheDesktop().IsWine()) {
    EXPECT_EQ(app->Document(document), hr::Ok);
    EXPECT_EQ(document, nullptr);
    EXPECT_GE(app->Quit(), 0);
  }
  const bool skipped = app && TheDesktop().IsWine();
  app.reset();
  Plat().com().Uninitialize();
  if (skipped)
    GTEST_SKIP() << "not under Wine: its application object implements neither get_Document "
                    "before a load nor Quit (E_NOTIMPL)";
}

}  // namespace
}  // namespace zq::contract
