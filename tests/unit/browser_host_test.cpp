// Tests of the browser hosts on the simulated desktop: creation and its built-in page, the
// events and their WM_NOTIFY records, top-level versus frame events, the bounded waits,
// the encodings of built-in pages, navigation errors and the loading cover.
#include <gtest/gtest.h>

#include "app/CommandText.h"
#include "app/Messages.h"
#include "app/Text.h"
#include "panel/FrontWebBrowser.h"
#include "panel/WebBrowser.h"
#include "platform/sim/sim_web_control.h"
#include "tests/unit/shell_test_util.h"

using namespace zq;

namespace {

struct Notice {
  unsigned code;
  std::wstring url, text;
  std::int32_t progress;
};

// A parent and command window: records notifications and takes command texts.
class Recorder : public WindowHandler {
 public:
  LResult OnMessage(WindowHandle window, unsigned message, WParam wParam, LParam lParam) override {
    if (message == wm::Notify) {
      auto* n = reinterpret_cast<const BrowserNotification*>(lParam);
      EXPECT_EQ(wParam, n->id);
      if (onNotify) onNotify(*n);
      notices.push_back({n->code, n->url, n->text, n->progress});
      return n->code == BROWSER_NOTIFY_BEFORE_NAVIGATE2 ? cancelAnswer : 0;
    }
    if (message >= wm::User + 200 && message <= wm::User + 213) {
      ++commands;  // texts handed over with a command are the receiver's to free
      TakeText(wParam);
      TakeText(lParam);
      return 0;
    }
    return Plat().windows().DefaultProc(window, message, wParam, lParam);
  }
  std::vector<unsigned> Codes() const {
    std::vector<unsigned> codes;
    for (const Notice& n : notices) codes.push_back(n.code);
    return codes;
  }
  WindowHandle Make(const Rect& r) {
    return Plat().windows().Create({L"TestPanel", L"", ws::Popup | ws::Visible, 0, r, 0, this, 0});
  }

  std::vector<Notice> notices;
  int commands = 0;
  LResult cancelAnswer = 0;
  std::function<void(const BrowserNotification&)> onNotify;
};

class HostTest : public zq::testing::ShellTest {
 protected:
  sim::SimWebControls& web() { return desktop.web(); }
  sim::SimWebControlRecord& Last() { return *web().Controls().back(); }
  Recorder parent;  // the panel each host is made over
};

std::string Bytes(const std::u16string& units, bool bom) {
  std::string out;
  if (bom) out += "\xFF\xFE";
  for (char16_t u : units) {
    out += static_cast<char>(u & 0xFF);
    out += static_cast<char>(u >> 8);
  }
  return out;
}

ZQ_IN_PROCESS_TEST(HostTest, CreationLoadsBlankThenWritesTheDisabledPage) {
  WindowHandle panel = parent.Make(Rect{100, 100, 400, 300});
  SimpleBrowser host;
  ASSERT_TRUE(host.CreateOver(panel));
  Windows& w = Plat().windows();
  EXPECT_EQ(w.Parent(host.Hwnd()), panel);
  EXPECT_EQ(w.Parent(host.ControlWindow()), host.Hwnd());
  EXPECT_EQ(w.ClientRect(host.ControlWindow()), (Rect{0, 0, 300, 200}));
  sim::SimWebControlRecord& c = Last();
  ASSERT_EQ(c.navigations.size(), 1u);
  EXPECT_EQ(c.navigations[0].url + L" " + FromUtf8(c.navigations[0].outcome),
            L"about:blank loaded");
  ASSERT_EQ(c.writes.size(), 1u);
  EXPECT_NE(c.writes[0].find(L"ZephquillHub is disabled."), std::wstring::npos);
  EXPECT_EQ(parent.Codes(), (std::vector<unsigned>{0, 2, 5, 7, 3, 4, 1}));
  EXPECT_EQ(parent.notices[0].url, L"about:blank");
  EXPECT_EQ(parent.notices[3].text, L"about:blank");
  EXPECT_EQ(parent.notices[4].progress, 100);

  // Writing goes into the same document; Clear empties it and refreshes the control.
  host.Write(L"<p>more</p>");
  EXPECT_NE(c.document->written.find(L"<p>more</p>"), std::wstring::npos);
  host.Clear();
  EXPECT_EQ(c.document->written, L"");
  EXPECT_EQ(c.refreshes, 1);

  // The control follows the host's size.
  w.MoveWindow(host.Hwnd(), Rect{0, 0, 120, 80});
  EXPECT_EQ(w.ClientRect(host.ControlWindow()), (Rect{0, 0, 120, 80}));
}

ZQ_IN_PROCESS_TEST(HostTest, ParentCanCancelAndFramesRaiseOnlyErrors) {
  SimpleBrowser host;
  ASSERT_TRUE(host.CreateOver(parent.Make(Rect{0, 0, 200, 200})));
  parent.cancelAnswer = 1;
  host.Navigate(L"http://example.com/");
  EXPECT_EQ(Last().navigations.back().outcome, "cancelled");
  parent.cancelAnswer = 0;
  host.Navigate(L"http://example.com/a");
  EXPECT_EQ(Last().navigations.back().outcome, "pending");

  // Frame navigations reach the control unseen by the host and its parent.
  parent.notices.clear();
  int i = Last().index;
  ASSERT_TRUE(web().FrameNavigate(i, L"http://ads.example/frame"));
  ASSERT_TRUE(web().FrameFail(i, 404, L"http://ads.example/missing"));
  Plat().windows().PumpPending();
  EXPECT_TRUE(parent.notices.empty());
  EXPECT_EQ(Last().navigations.back().outcome, "failed 404");

  ASSERT_TRUE(web().Complete(i, L"Example"));
  Plat().windows().PumpPending();
  EXPECT_EQ(parent.Codes(), (std::vector<unsigned>{2, 5, 7, 3, 4, 1}));
  EXPECT_EQ(parent.notices[1].url, L"http://example.com/a");
  EXPECT_EQ(parent.notices[2].text, L"Example");
  EXPECT_EQ(parent.notices[5].url, L"http://example.com/a");
}

// A control that gives no document is waited for once, within its bound; one that cannot
// be made leaves nothing and ignores requests.
ZQ_IN_PROCESS_TEST(HostTest, WaitsForADocumentAreBounded) {
  web().noDocuments = true;
  WindowHandle panel = parent.Make(Rect{0, 0, 50, 50});
  Clock& clock = Plat().clock();
  std::uint64_t start = clock.TickMs();
  SimpleBrowser host;
  ASSERT_TRUE(host.CreateOver(panel));
  EXPECT_EQ(clock.TickMs() - start, SimpleBrowser::DocumentWaitMs);
  EXPECT_EQ(host.GetDocument(), nullptr);
  EXPECT_TRUE(Last().writes.empty());
  start = clock.TickMs();
  host.Clear();
  host.Destroy();
  EXPECT_LE(clock.TickMs() - start, 100u);
  EXPECT_TRUE(Last().released);

  web().failCreate = true;
  parent.notices.clear();
  const size_t controls = web().Controls().size();
  SimpleBrowser failed;
  EXPECT_FALSE(failed.CreateOver(panel));
  EXPECT_EQ(failed.Hwnd(), 0u);
  failed.Navigate(L"http://x/");
  failed.LoadFromResource(IDR_HTML_LOADING);
  failed.Destroy();
  EXPECT_EQ(failed.GetDocument(), nullptr);
  EXPECT_EQ(web().Controls().size(), controls);
  EXPECT_TRUE(parent.notices.empty());
}

ZQ_IN_PROCESS_TEST(HostTest, DestroyBlanksQuitsAndClosesBothWindows) {
  WindowHandle panel = parent.Make(Rect{0, 0, 50, 50});
  SimpleBrowser host;
  ASSERT_TRUE(host.CreateOver(panel));
  WindowHandle h = host.Hwnd(), control = host.ControlWindow();
  host.Destroy();
  sim::SimWebControlRecord& c = Last();
  EXPECT_EQ(c.navigations.back().url, L"about:blank");
  EXPECT_TRUE(c.quit);
  EXPECT_TRUE(c.released);
  EXPECT_EQ(host.Browser(), nullptr);
  Plat().windows().PumpPending();
  EXPECT_FALSE(Plat().windows().IsWindow(control));
  EXPECT_FALSE(Plat().windows().IsWindow(h));
  host.Navigate(L"http://after/");
  EXPECT_EQ(c.navigations.back().url, L"about:blank");
  // A host that goes without Destroy takes its window along.
  WindowHandle dropped = 0;
  {
    SimpleBrowser gone;
    ASSERT_TRUE(gone.CreateOver(panel));
    dropped = gone.Hwnd();
  }
  EXPECT_FALSE(Plat().windows().IsWindow(dropped));
}

ZQ_IN_PROCESS_TEST(HostTest, BuiltInPageEncodings) {
  // UTF-16 after a byte-order mark, or starting with "<html" in any case; otherwise ANSI.
  const std::pair<std::string, std::wstring> cases[] = {
      {Bytes(u"<b>\u00e9\u20ac</b>", true), L"<b>\u00e9\u20ac</b>"},
      {Bytes(u"<html>x</html>", false), L"<html>x</html>"},
      {Bytes(u"<HtMl>", false), L"<HtMl>"},
      {Bytes(u"<html\U0001F600", false), L"<html\U0001F600"},
      {"<html>caf\xE9 \x80</html>", L"<html>caf\u00e9 \u20ac</html>"},
      {Bytes(u"<htm", false), std::wstring(L"<\0h\0t\0m\0", 8)},
      {"A", L"A"},
      {"", L""},
      {"\xFF\xFE", L""}};
  for (const auto& [bytes, text] : cases)
    EXPECT_EQ(SimpleBrowser::DecodeHtmlResource(bytes), text) << bytes;
  // The built-in pages are written whole; a missing page writes nothing.
  SimpleBrowser host;
  ASSERT_TRUE(host.CreateOver(parent.Make(Rect{0, 0, 50, 50})));
  host.LoadFromResource(IDR_HTML_LOADING);
  host.LoadFromResource(4242);
  const std::vector<std::wstring>& writes = Last().writes;
  ASSERT_EQ(writes.size(), 3u);
  EXPECT_NE(writes[1].find(L"<title>Zephquill Loading</title>"), std::wstring::npos);
  EXPECT_EQ(writes[2], L"");
  EXPECT_EQ(Last().document->written, L"");
}

// The blank page behind the built-in pages is local: a control that cannot show it (a system
// without an HTML engine) must not make the client believe the service is gone. Failed
// pages and frames becoming "naverror": u1_nav_errors.zqs.
ZQ_IN_PROCESS_TEST(HostTest, NoNavErrorForTheBlankPage) {
  CWebBrowser host;
  WindowHandle panel = parent.Make(Rect{0, 0, 50, 50});
  ASSERT_TRUE(host.CreateOver(panel));
  host.SetCommandWindow(panel);
  Last().location = L"about:blank";
  host.Navigate(L"about:blank");
  ASSERT_TRUE(web().Fail(Last().index, std::int32_t(0x800401E4u)));
  Plat().windows().PumpPending();
  EXPECT_EQ(parent.commands, 0);
}

ZQ_IN_PROCESS_TEST(HostTest, FrontHostShowsTheCoverWhileItsPageLoads) {
  WindowHandle panel = parent.Make(Rect{0, 0, 80, 80});
  CFrontWebBrowser front;
  CWebBrowser back;
  ASSERT_TRUE(front.CreateOver(panel));
  ASSERT_TRUE(back.CreateOver(panel));
  back.LoadFromResource(IDR_HTML_LOADING);
  front.SetBackBrowser(&back);
  Windows& w = Plat().windows();
  // Which host shows when the front host tells its parent about its page.
  std::vector<std::pair<bool, bool>> shown;
  parent.onNotify = [&](const BrowserNotification& n) {
    if (n.window == front.Hwnd() &&
        (n.code == BROWSER_NOTIFY_NAVIGATE_COMPLETE2 || n.code == BROWSER_NOTIFY_DOCUMENT_COMPLETE))
      shown.push_back({w.IsVisible(front.Hwnd()), w.IsVisible(back.Hwnd())});
  };
  front.Navigate(L"http://" ZQ_APP_HOST L"/Panel/DefaultMinimize.aspx");
  ASSERT_TRUE(web().Complete(web().Controls().front()->index, L"Panel"));
  w.PumpPending();
  ASSERT_EQ(shown.size(), 2u);
  EXPECT_EQ(shown[0], std::make_pair(false, true));  // loading: the cover stands in
  EXPECT_EQ(shown[1], std::make_pair(true, false));  // complete: the page replaces it
}

}  // namespace
