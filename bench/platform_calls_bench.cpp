// The floor under the tick and the detection pass: the bare platform calls that any program
// following the foreground browser makes (foreground window, its class and title, and for
// Firefox one DDE request), and a minimal peer that polls them once a second, measured on the
// same simulated desktop as the client so that the two can be compared as CPU per second.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <string>

#include "app/ClientApp.h"
#include "app/ClientProcess.h"
#include "controller/ClientDlg.h"
#include "platform/sim/sim_browsers.h"
#include "platform/sim/sim_desktop.h"

namespace {

constexpr unsigned kPollTimer = 1;

// What a simple window-tracking program does on each of its timer ticks: read the
// foreground window, its class name and its title, and (when asked) Firefox's current
// address over DDE. Nothing else: no rules, no panel, no configuration.
class PeerPoller : public zq::WindowHandler {
 public:
  bool withDde = false;
  std::size_t polls = 0;
  std::wstring lastClass, lastTitle, lastUrl;

  void Poll() {
    zq::Windows& w = zq::Plat().windows();
    zq::WindowHandle fg = w.Foreground();
    if (fg) {
      lastClass = w.ClassName(fg);
      lastTitle = w.Title(fg);
    }
    if (withDde) {
      zq::Dde& dde = zq::Plat().dde();
      auto reply = dde.Request(L"Firefox", L"WWW_GetWindowInfo", L"0xFFFFFFFF,sURL,sTitle", 5000);
      lastUrl = reply ? dde.FromAnsi(*reply) : std::wstring();
    }
    ++polls;
  }

  zq::LResult OnMessage(zq::WindowHandle window, unsigned message, zq::WParam wParam,
                        zq::LParam lParam) override {
    if (message == zq::wm::Timer) {
      Poll();
      return 0;
    }
    return zq::Plat().windows().DefaultProc(window, message, wParam, lParam);
  }
};

// A simulated desktop under a fresh temporary directory, Firefox open in front of it.
class FirefoxDesktop {
 public:
  explicit FirefoxDesktop(const char* name)
      : root_(std::filesystem::temp_directory_path() / name),
        desktop_((std::filesystem::remove_all(root_), root_.string())) {
    std::filesystem::create_directories(desktop_.HostPath(L"C:\\Program Files\\Zephquill"));
  }
  ~FirefoxDesktop() {
    std::error_code ignored;
    std::filesystem::remove_all(root_, ignored);
  }
  zq::sim::Desktop& desktop() { return desktop_; }
  void OpenFirefox() {
    zq::sim::Browsers(desktop_).Open("ff", zq::sim::FakeKind::Firefox, L"http://example.com/news",
                                     L"News");
  }

 private:
  std::filesystem::path root_;
  zq::sim::Desktop desktop_;
};

// Starts the peer as a process of its own with its window; `periodMs` 0 sets no timer.
// Returns the process; the window is in `window` once this returns.
zq::sim::SimProcess* StartPeer(zq::sim::Desktop& desktop, PeerPoller& poller, unsigned periodMs,
                               zq::WindowHandle& window) {
  window = 0;
  std::uint32_t pid =
      desktop.StartProcess(L"C:\\peer.exe", L"peer.exe", [&poller, &window, periodMs] {
        zq::Windows& w = zq::Plat().windows();
        zq::WindowSpec desc;
        desc.className = L"PeerPoller";
        desc.style = zq::ws::Popup;
        desc.handler = &poller;
        window = w.Create(desc);
        if (periodMs) w.SetTimer(window, kPollTimer, periodMs);
        w.RunModalLoop(window);  // until the desktop ends the process
        return 0;
      });
  desktop.SleepMs(10);
  return desktop.Process(pid);
}

void SkipUnlessFirefoxRead(benchmark::State& state, const PeerPoller& poller) {
  if (poller.lastClass != L"MozillaUIWindowClass")
    state.SkipWithError("the peer did not see Firefox in front");
  else if (poller.withDde && poller.lastUrl.find(L"http://example.com/news") == std::wstring::npos)
    state.SkipWithError("the peer's DDE request did not bring the address");
}

// The bare calls made directly on the benchmark's thread, as the detection benchmarks make
// their pass. Arg: 0 foreground, class and title; 1 the same and one DDE request.
void BM_BarePlatformCalls(benchmark::State& state) {
  FirefoxDesktop fx("zq_bare_calls_bench");
  fx.desktop().Run([&] {
    fx.OpenFirefox();
    PeerPoller poller;
    poller.withDde = state.range(0) == 1;
    zq::WindowHandle window;
    zq::sim::SimProcess* p = StartPeer(fx.desktop(), poller, 0, window);
    zq::BindThread(p);
    for (auto _ : state) poller.Poll();
    zq::BindThread(nullptr);
    SkipUnlessFirefoxRead(state, poller);
  });
}
BENCHMARK(BM_BarePlatformCalls)->Arg(0)->Arg(1)->MeasureProcessCPUTime();

// The same calls made by a window's timer message on the peer's own thread, delivered as the
// controller's tick is (a posted timer message and the simulator's hand-over), so that the
// tick benchmarks have a reference that pays the same delivery. Arg as above.
void BM_BarePlatformCallsThroughTimer(benchmark::State& state) {
  FirefoxDesktop fx("zq_bare_timer_bench");
  fx.desktop().Run([&] {
    fx.OpenFirefox();
    PeerPoller poller;
    poller.withDde = state.range(0) == 1;
    zq::WindowHandle window;
    zq::sim::SimProcess* p = StartPeer(fx.desktop(), poller, 0, window);
    for (auto _ : state) {
      p->windows().Post(window, zq::wm::Timer, kPollTimer, 0);
      fx.desktop().SleepMs(0);
    }
    SkipUnlessFirefoxRead(state, poller);
  });
}
BENCHMARK(BM_BarePlatformCallsThroughTimer)->Arg(0)->Arg(1)->MeasureProcessCPUTime();

// Delivery alone: a message that the peer's window ignores, posted and handed over the same
// way. What every "through the message" figure pays before its own work.
void BM_SimulatorHandOver(benchmark::State& state) {
  FirefoxDesktop fx("zq_handover_bench");
  fx.desktop().Run([&] {
    PeerPoller poller;
    zq::WindowHandle window;
    zq::sim::SimProcess* p = StartPeer(fx.desktop(), poller, 0, window);
    for (auto _ : state) {
      p->windows().Post(window, zq::wm::Null, 0, 0);
      fx.desktop().SleepMs(0);
    }
  });
}
BENCHMARK(BM_SimulatorHandOver)->MeasureProcessCPUTime();

// One second of the desktop's time per iteration, so the CPU time per iteration is the CPU
// that one second costs. The iteration count keeps the run well short of the client's
// nightly restart (the simulated day starts at 10:00).
constexpr int kSeconds = 2000;

// The peer polling foreground window, class and title once a second, Firefox in front.
void BM_PerSecond_PeerPoller(benchmark::State& state) {
  FirefoxDesktop fx("zq_persecond_peer_bench");
  fx.desktop().Run([&] {
    fx.OpenFirefox();
    PeerPoller poller;
    zq::WindowHandle window;
    StartPeer(fx.desktop(), poller, 1000, window);
    const std::size_t before = poller.polls;
    for (auto _ : state) fx.desktop().SleepMs(1000);
    state.counters["polls_per_second"] =
        static_cast<double>(poller.polls - before) / static_cast<double>(state.iterations());
    SkipUnlessFirefoxRead(state, poller);
  });
}
BENCHMARK(BM_PerSecond_PeerPoller)->Iterations(kSeconds)->MeasureProcessCPUTime();

// The client following Firefox in front whose address does not change: its whole second
// (one tick and whatever else runs on its timers).
void BM_PerSecond_ClientFollowingFirefox(benchmark::State& state) {
  FirefoxDesktop fx("zq_persecond_client_bench");
  zq::sim::Desktop& desktop = fx.desktop();
  desktop.Run([&] {
    fx.OpenFirefox();
    std::uint32_t pid = desktop.StartProcess(
        L"C:\\Program Files\\Zephquill\\ZephquillClient.exe",
        L"\"C:\\Program Files\\Zephquill\\ZephquillClient.exe\"", [] { return zq::ClientMain(); });
    desktop.SleepMs(6000);  // past start-up: the panel is made and loaded
    zq::sim::SimProcess* p = desktop.Process(pid);
    zq::BindThread(p);
    zq::CClientDlg* controller = zq::Proc().App->Controller;
    zq::BindThread(nullptr);
    if (controller->TrayIcon.Tooltip().rfind(L"Site: ", 0) != 0) {
      state.SkipWithError("the browser is not followed");
      return;
    }
    for (auto _ : state) desktop.SleepMs(1000);
    // Still following at the end: the figure is the steady state, not a disabled client.
    if (!desktop.Process(pid) || controller->TrayIcon.Tooltip().rfind(L"Site: ", 0) != 0)
      state.SkipWithError("the client stopped following the browser during the run");
  });
}
BENCHMARK(BM_PerSecond_ClientFollowingFirefox)->Iterations(kSeconds)->MeasureProcessCPUTime();

}  // namespace
