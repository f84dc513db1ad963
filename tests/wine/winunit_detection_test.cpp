// Browser detection on the real system under Wine: DDE requests to a stand-in Firefox
// (answering, silent, absent), the whole Firefox detection with it in front, and the
// shell's window list, which holds no browser under Wine.
#include <chrono>

#include "controller/browser/BrowserDetection.h"
#include "winunit_fixture.h"

namespace zq::win32::test {
namespace {

const wchar_t* const kUrl = L"http://www.example.org/a?b=c";
const wchar_t* const kPage = L"Example Page";

// The stand-in Firefox beside the test program, ended when the object goes.
class FakeFirefox {
 public:
  explicit FakeFirefox(const std::wstring& mode) {
    wchar_t exe[MAX_PATH] = {};
    ::GetModuleFileNameW(nullptr, exe, MAX_PATH);
    std::wstring dir(exe);
    dir.resize(dir.find_last_of(L'\\') + 1);
    std::wstring line =
        L"\"" + dir + L"fakefox.exe\" " + mode + L" \"" + kUrl + L"\" \"" + kPage + L"\"";
    STARTUPINFOW si{};
    si.cb = sizeof si;
    if (!::CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si,
                          &pi_))
      return;
    for (int i = 0; i < 200 && !frame_; ++i) {
      ::Sleep(50);
      frame_ = ::FindWindowW(L"MozillaUIWindowClass", nullptr);
    }
  }
  ~FakeFirefox() {
    if (frame_) ::PostMessageW(frame_, WM_CLOSE, 0, 0);
    if (pi_.hProcess) {
      if (::WaitForSingleObject(pi_.hProcess, 5000) != WAIT_OBJECT_0)
        ::TerminateProcess(pi_.hProcess, 1);
      ::CloseHandle(pi_.hProcess);
      ::CloseHandle(pi_.hThread);
    }
  }
  HWND frame() const { return frame_; }

 private:
  PROCESS_INFORMATION pi_{};
  HWND frame_ = nullptr;
};

std::string Expected() {
  std::string url(kUrl, kUrl + wcslen(kUrl)), page(kPage, kPage + wcslen(kPage));
  return "\"" + url + "\",\"" + page + "\",\"\"";
}

using Clock = std::chrono::steady_clock;

// Each request is its own conversation, so a second one is answered as well as the first.
TEST_F(BackendTest, DdeRequestsReadTheServersText) {
  FakeFirefox fox(L"answer");
  ASSERT_NE(fox.frame(), nullptr);
  for (int round = 0; round < 2; ++round) {
    auto reply =
        p->dde().Request(L"Firefox", L"WWW_GetWindowInfo", L"0xFFFFFFFF,sURL,sTitle", 5000);
    ASSERT_TRUE(reply.has_value()) << round;
    EXPECT_EQ(reply->substr(0, reply->find('\0')), Expected());
  }
  EXPECT_FALSE(p->dde().Request(L"Firefox", L"NoSuchTopic", L"x", 1000).has_value());
}

TEST_F(BackendTest, DdeRequestsEndWithoutAnAnswer) {
  auto start = Clock::now();
  EXPECT_FALSE(p->dde().Request(L"NoSuchServer", L"WWW_GetWindowInfo", L"x", 5000));
  EXPECT_LT(Clock::now() - start, std::chrono::milliseconds(3000)) << "no server: no wait";

  FakeFirefox fox(L"silent");
  ASSERT_NE(fox.frame(), nullptr);
  start = Clock::now();
  EXPECT_FALSE(p->dde().Request(L"Firefox", L"WWW_GetWindowInfo", L"x", 1000).has_value());
  auto spent = Clock::now() - start;
  EXPECT_GE(spent, std::chrono::milliseconds(900));
  EXPECT_LT(spent, std::chrono::milliseconds(4000)) << "the time-out bounds the wait";
}

// The detection that the steady tick runs, with the stand-in in front: its frame (the
// content window's parent) and the address it reports.
TEST_F(BackendTest, FirefoxInFrontIsFound) {
  FakeFirefox fox(L"answer");
  ASSERT_NE(fox.frame(), nullptr);
  for (int i = 0; i < 40 && ::GetForegroundWindow() != fox.frame(); ++i) {
    ::SetForegroundWindow(fox.frame());
    ::Sleep(50);
  }
  ASSERT_EQ(::GetForegroundWindow(), fox.frame());
  ActiveBrowserInfo info;
  FindActiveFirefox(info);
  EXPECT_EQ(ToHwnd(info.window), fox.frame());
  EXPECT_EQ(info.url, kUrl);
}

// Under Wine the shell's list holds no Internet Explorer: the walk answers "no browser".
TEST_F(BackendTest, ShellWindowsWalkFindsNoBrowser) {
  static const HRESULT com = ::CoInitialize(nullptr);
  (void)com;
  ShellWindows& shell = p->shellWindows();
  ShellObjectAnswer made = shell.CreateCollection();
  ShellRef collection(shell, made.object);
  if (made.hr >= 0 && collection) {
    ShellCountAnswer count = shell.Count(collection.get());
    EXPECT_GE(count.hr, 0);
    for (long i = 0; i < count.count; ++i) {
      ShellRef item(shell, shell.Item(collection.get(), i).object);
      if (!item) continue;
      ShellObjectAnswer browser = shell.QueryBrowser(item.get());
      EXPECT_TRUE(browser.hr >= 0 || browser.hr == hr::NoInterface);
      shell.Release(browser.object);
    }
  }
  EXPECT_EQ(shell.QueryBrowser(0).object, 0u);
  ActiveBrowserInfo info;
  info.window = 1;
  FindActiveIE(info);
  EXPECT_EQ(info.window, 0u);
}

}  // namespace
}  // namespace zq::win32::test
