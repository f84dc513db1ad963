// A steady tick of the controller (a followed browser whose address has not changed, or no
// browser in front) allocates nothing; it also prints the seam calls it makes, by name.
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <new>

#include "client_fixture.h"
#include "platform/sim/sim_browsers.h"
#include "platform/sim/sim_window.h"

// Every operator new of this test binary counts while the calling thread measures; what a
// seam call allocates inside the simulator is counted apart from the client's own.
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
namespace {
thread_local bool tMeasuring = false;
thread_local int tInSeam = 0;
std::atomic<long> gClientAllocs{0}, gSeamAllocs{0};
}  // namespace

void* operator new(std::size_t size) {
  if (tMeasuring) ++(tInSeam ? gSeamAllocs : gClientAllocs);
  if (void* p = std::malloc(size ? size : 1)) return p;
  throw std::bad_alloc();
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }

namespace zq {
namespace {

std::map<const char*, int>* gCalls = nullptr;  // made before the measured tick

// One seam call: counted by name, and what it allocates is the simulator's.
struct Call {
  explicit Call(const char* name) {
    ++tInSeam;
    if (tMeasuring) ++(*gCalls)[name];
  }
  ~Call() { --tInSeam; }
};
#define ZQ_COUNTED(Ret, Name, Params, Args) \
  Ret Name Params override {                \
    Call counted(#Name);                    \
    return base.Name Args;                  \
  }

// The calls a tick may make, counted; the window calls through the process's own windows.
struct CountingWindows : sim::SimWindows {
  CountingWindows(sim::Desktop& d, std::uint32_t pid, Windows& w) : SimWindows(d, pid), base(w) {}
  Windows& base;
  ZQ_COUNTED(bool, IsWindow, (WindowHandle h), (h))
  ZQ_COUNTED(std::wstring, ClassName, (WindowHandle h), (h))
  ZQ_COUNTED(std::wstring, Title, (WindowHandle h), (h))
  ZQ_COUNTED(Rect, WindowRect, (WindowHandle h), (h))
  ZQ_COUNTED(bool, IsVisible, (WindowHandle h), (h))
  ZQ_COUNTED(WindowHandle, DesktopWindow, (), ())
  ZQ_COUNTED(WindowHandle, Parent, (WindowHandle h), (h))
  ZQ_COUNTED(WindowHandle, FirstChild, (WindowHandle h), (h))
  ZQ_COUNTED(WindowHandle, NextSibling, (WindowHandle h), (h))
  ZQ_COUNTED(WindowHandle, FindWindow,
             (WindowHandle p, WindowHandle a, const std::wstring& c, const std::wstring& t),
             (p, a, c, t))
  ZQ_COUNTED(WindowHandle, Foreground, (), ())
  ZQ_COUNTED(WindowHandle, ActiveWindow, (), ())
  ZQ_COUNTED(bool, Post, (WindowHandle h, unsigned m, WParam w, LParam l), (h, m, w, l))
};
struct CountingShellWindows : ShellWindows {
  explicit CountingShellWindows(ShellWindows& s) : base(s) {}
  ShellWindows& base;
  ZQ_COUNTED(ShellObjectAnswer, CreateCollection, (), ())
  ZQ_COUNTED(ShellCountAnswer, Count, (ShellObject o), (o))
  ZQ_COUNTED(ShellObjectAnswer, Item, (ShellObject o, long i), (o, i))
  ZQ_COUNTED(ShellObjectAnswer, QueryBrowser, (ShellObject o), (o))
  ZQ_COUNTED(ShellObjectAnswer, Document, (ShellObject o), (o))
  ZQ_COUNTED(ShellObjectAnswer, QueryHtmlDocument, (ShellObject o), (o))
  ZQ_COUNTED(ShellObjectAnswer, QueryServiceProvider, (ShellObject o), (o))
  ZQ_COUNTED(ShellObjectAnswer, QueryShellBrowser, (ShellObject o), (o))
  ZQ_COUNTED(ShellWindowAnswer, OleWindow, (ShellObject o), (o))
  ZQ_COUNTED(ShellTextAnswer, DocumentTitle, (ShellObject o), (o))
  ZQ_COUNTED(ShellTextAnswer, DocumentUrl, (ShellObject o), (o))
  ZQ_COUNTED(ShellObjectAnswer, ParentWindow, (ShellObject o), (o))
  ZQ_COUNTED(ShellObjectAnswer, Navigator, (ShellObject o), (o))
  ZQ_COUNTED(ShellTextAnswer, AppVersion, (ShellObject o), (o))
  ZQ_COUNTED(void, Release, (ShellObject o), (o))
  ZQ_COUNTED(std::string, ToAnsi, (const std::wstring& t), (t))
};
struct CountingDde : Dde {
  explicit CountingDde(Dde& d) : base(d) {}
  Dde& base;
  ZQ_COUNTED(std::optional<std::string>, Request,
             (const std::wstring& s, const std::wstring& t, const std::wstring& i, unsigned ms),
             (s, t, i, ms))
  ZQ_COUNTED(std::wstring, FromAnsi, (const std::string& b), (b))
};
struct CountingShell : Shell {
  explicit CountingShell(Shell& s) : base(s) {}
  Shell& base;
  ZQ_COUNTED(bool, NotifyIcon, (unsigned a, const NotifyIconData& d), (a, d))
  ZQ_COUNTED(bool, Open, (const std::wstring& a), (a))
  ZQ_COUNTED(bool, RemoveTaskbarButton, (WindowHandle h), (h))
  ZQ_COUNTED(Rect, TaskbarRect, (), ())
  ZQ_COUNTED(Rect, TrayRect, (), ())
};
struct CountingProfile : Profile {
  explicit CountingProfile(Profile& p) : base(p) {}
  Profile& base;
  ZQ_COUNTED(unsigned, ReadString,
             (const std::wstring& s, const std::wstring& k, const std::wstring& d, std::wstring& o,
              unsigned n, const std::wstring& p),
             (s, k, d, o, n, p))
  ZQ_COUNTED(bool, WriteString,
             (const std::wstring& s, const std::wstring& k, const std::wstring& v,
              const std::wstring& p),
             (s, k, v, p))
  ZQ_COUNTED(std::uint64_t, Stamp, (const std::wstring& p), (p))
};
struct CountingClock : Clock {
  explicit CountingClock(Clock& c) : base(c) {}
  Clock& base;
  ZQ_COUNTED(std::int64_t, Now, (), ())
  ZQ_COUNTED(LocalTime, Local, (), ())
  ZQ_COUNTED(std::uint64_t, TickMs, (), ())
  ZQ_COUNTED(void, Sleep, (unsigned ms), (ms))
};
#undef ZQ_COUNTED

// The client's process as its tick sees it, with the calls above counted; the client's
// per-process state is lent to it for the measurement.
class CountingPlatform : public Platform {
 public:
  CountingPlatform(sim::Desktop& d, sim::SimProcess& p)
      : p_(p),
        windows_(d, p.pid(), p.windows()),
        shellWindows_(p.shellWindows()),
        dde_(p.dde()),
        shell_(p.shell()),
        profile_(p.profile()),
        clock_(p.clock()) {
    state() = std::move(p.state());
  }
  ~CountingPlatform() override { p_.state() = std::move(state()); }
  Windows& windows() override { return windows_; }
  Clock& clock() override { return clock_; }
  Threads& threads() override { return p_.threads(); }
  Profile& profile() override { return profile_; }
  Registry& registry() override { return p_.registry(); }
  Processes& processes() override { return p_.processes(); }
  Mutexes& mutexes() override { return p_.mutexes(); }
  Resources& resources() override { return p_.resources(); }
  Shell& shell() override { return shell_; }
  System& system() override { return p_.system(); }
  Com& com() override { return p_.com(); }
  Dde& dde() override { return dde_; }
  ShellWindows& shellWindows() override { return shellWindows_; }
  WebControls& web() override { return p_.web(); }
  Internet& internet() override { return p_.internet(); }
  IEApplications& ieApps() override { return p_.ieApps(); }
  Accessibility& accessibility() override { return p_.accessibility(); }

 private:
  sim::SimProcess& p_;
  CountingWindows windows_;
  CountingShellWindows shellWindows_;
  CountingDde dde_;
  CountingShell shell_;
  CountingProfile profile_;
  CountingClock clock_;
};

enum class Front { Firefox, IE6, IE7, None };

class SteadyTickTest : public testing::ClientFixture,
                       public ::testing::WithParamInterface<Front> {};

TEST_P(SteadyTickTest, AllocatesNothingAndMakesOnlyItsCalls) {
  desktop.Run([&] {
    sim::SimBrowsers& browsers = sim::Browsers(desktop);
    const Front front = GetParam();
    const sim::FakeKind kind = front == Front::IE6   ? sim::FakeKind::IE6
                               : front == Front::IE7 ? sim::FakeKind::IE7
                                                     : sim::FakeKind::Firefox;
    browsers.Open("b", kind, L"http://example.com/news", L"News");
    if (front == Front::IE7) browsers.AddTab("b", L"http://example.com/sport", L"Sport");
    StartClient(6000);  // start-up, then two ticks: the panel is made and loaded
    ASSERT_EQ(Tooltip().rfind(L"Site: http://example.com/", 0), 0u);
    if (front == Front::None) browsers.Unfocus();
    CClientDlg* controller = Controller();
    ASSERT_NE(controller, nullptr);
    std::map<const char*, int> calls;
    gCalls = &calls;
    {
      CountingPlatform counting(desktop, *desktop.Process(pid));
      BindThread(&counting);
      // The tick as the timer delivers it; the first ones settle what the steady state keeps.
      for (int tick = 0; tick < 3; ++tick) {
        bool last = tick == 2;
        gClientAllocs = gSeamAllocs = 0;
        tMeasuring = last;
        controller->OnMessage(controller->Hwnd(), wm::Timer, CONTROLLER_TIMER_ID, 0);
        tMeasuring = false;
      }
      BindThread(nullptr);
    }
    gCalls = nullptr;
    std::string list;
    for (const auto& [name, count] : calls)
      list += " " + std::string(name) + "x" + std::to_string(count);
    std::printf("steady tick, case %d: %ld client allocations, %ld in the simulator's seam;%s\n",
                static_cast<int>(front), gClientAllocs.load(), gSeamAllocs.load(), list.c_str());
    EXPECT_EQ(gClientAllocs.load(), 0);
    EXPECT_EQ(calls.count("NotifyIcon"), 0u) << "the unchanged tooltip is not sent again";
    EXPECT_EQ(calls.count("ReadString"), 0u) << "no setting is read again unchanged";
  });
}

INSTANTIATE_TEST_SUITE_P(Fronts, SteadyTickTest,
                         ::testing::Values(Front::Firefox, Front::IE6, Front::IE7, Front::None));

}  // namespace
}  // namespace zq
