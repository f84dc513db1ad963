// Benchmark of what one steady controller tick costs beyond time: the seam calls it makes and
// the heap allocations, the client's own apart from those made inside the simulator's seam.
#include <benchmark/benchmark.h>

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <new>
#include <string>

#include "app/ClientApp.h"
#include "app/ClientProcess.h"
#include "app/Messages.h"
#include "controller/ClientDlg.h"
#include "platform/sim/sim_browsers.h"
#include "platform/sim/sim_desktop.h"
#include "platform/sim/sim_window.h"

// Every operator new of the benchmark binary counts while the calling thread measures; what a
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

// Arg: 0 Firefox, 1 Internet Explorer 6, 2 Internet Explorer 7 with two tabs, 3 no browser in
// front. The tick is handed to the controller as the timer delivers it, through a platform
// that counts every seam call by name; two unmeasured ticks first settle what the steady state
// keeps. Counters: seam calls, the client's allocations and the simulator's, per tick; the
// label lists the calls of one tick by name.
void BM_SteadyTickCallsAndAllocations(benchmark::State& state) {
  auto root = std::filesystem::temp_directory_path() / "zq_steady_tick_bench";
  std::filesystem::remove_all(root);
  sim::Desktop desktop(root.string());
  std::filesystem::create_directories(desktop.HostPath(L"C:\\Program Files\\Zephquill"));
  desktop.Run([&] {
    sim::SimBrowsers& browsers = sim::Browsers(desktop);
    const sim::FakeKind kinds[] = {sim::FakeKind::Firefox, sim::FakeKind::IE6, sim::FakeKind::IE7,
                                   sim::FakeKind::Firefox};
    browsers.Open("b", kinds[state.range(0)], L"http://example.com/news", L"News");
    if (state.range(0) == 2) browsers.AddTab("b", L"http://example.com/sport", L"Sport");
    std::uint32_t pid = desktop.StartProcess(
        L"C:\\Program Files\\Zephquill\\ZephquillClient.exe",
        L"\"C:\\Program Files\\Zephquill\\ZephquillClient.exe\"", [] { return ClientMain(); });
    desktop.SleepMs(6000);  // past start-up and two ticks: the panel is made and loaded
    sim::SimProcess* p = desktop.Process(pid);
    CClientDlg* controller = static_cast<ClientProcess&>(*p->state()).App->Controller;
    if (controller->TrayIcon.Tooltip().rfind(L"Site: http://example.com/", 0) != 0)
      state.SkipWithError("the browser is not followed");
    if (state.range(0) == 3) browsers.Unfocus();
    std::map<const char*, int> calls;
    gCalls = &calls;
    long clientAllocs = 0, seamAllocs = 0, ticks = 0;
    {
      CountingPlatform counting(desktop, *p);
      BindThread(&counting);
      for (int settle = 0; settle < 2; ++settle)
        controller->OnMessage(controller->Hwnd(), wm::Timer, CONTROLLER_TIMER_ID, 0);
      for (auto _ : state) {
        gClientAllocs = gSeamAllocs = 0;
        tMeasuring = true;
        controller->OnMessage(controller->Hwnd(), wm::Timer, CONTROLLER_TIMER_ID, 0);
        tMeasuring = false;
        clientAllocs += gClientAllocs.load();
        seamAllocs += gSeamAllocs.load();
        ++ticks;
      }
      BindThread(nullptr);
    }
    gCalls = nullptr;
    std::string list;
    long total = 0;
    for (const auto& [name, count] : calls) {
      if (ticks) list += " " + std::string(name) + "x" + std::to_string(count / ticks);
      total += count;
    }
    const auto perTick = benchmark::Counter::kAvgIterations;
    state.counters["seam_calls"] = benchmark::Counter(static_cast<double>(total), perTick);
    state.counters["client_allocs"] =
        benchmark::Counter(static_cast<double>(clientAllocs), perTick);
    state.counters["sim_allocs"] = benchmark::Counter(static_cast<double>(seamAllocs), perTick);
    state.SetLabel(list);
  });
  std::filesystem::remove_all(root);
}
BENCHMARK(BM_SteadyTickCallsAndAllocations)->DenseRange(0, 3);

}  // namespace
}  // namespace zq
