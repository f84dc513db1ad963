// Browser detection on the real system under Wine: the whole Firefox detection with the
// stand-in Firefox in front, and Internet Explorer's, which finds none under Wine. The DDE
// requests and the shell's list themselves are contract cases (tests/contract/).
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
TEST_F(BackendTest, InternetExplorerIsNotFound) {
  static const HRESULT com = ::CoInitialize(nullptr);
  (void)com;
  ActiveBrowserInfo info;
  info.window = 1;
  FindActiveIE(info);
  EXPECT_EQ(info.window, 0u);
}

}  // namespace
}  // namespace zq::win32::test
