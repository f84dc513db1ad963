// Benchmarks of reading today's browsers on the simulated desktop: one address read through
// the found bar against a search of the whole tree, and the tick with Chrome in front
// against the bare calls it cannot avoid.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <functional>

#include "controller/browser/BrowserDetection.h"
#include "platform/platform.h"
#include "platform/sim/sim_accessibility.h"
#include "platform/sim/sim_browsers.h"
#include "platform/sim/sim_desktop.h"

namespace {

using zq::AccessibleElement;

// Runs `body` as a client process with Chrome in front, its page holding `content` elements.
void WithChrome(benchmark::State& state, unsigned content,
                const std::function<void(zq::Accessibility&, zq::WindowHandle)>& body) {
  auto root = std::filesystem::temp_directory_path() / "zq_today_bench";
  std::filesystem::remove_all(root);
  zq::sim::Desktop desktop(root.string());
  desktop.accessibility().contentElements = content;
  desktop.accessibility().traceSearches = false;
  desktop.Run([&] {
    std::uint32_t pid = desktop.StartIdleProcess(L"C:\\client.exe", L"client");
    zq::sim::Browsers(desktop).OpenToday("c", "chrome", L"https://news.example/today", L"News");
    zq::BindThread(desktop.Process(pid));
    body(zq::Plat().accessibility(), zq::sim::Browsers(desktop).Find("c")->frame);
    zq::BindThread(nullptr);
  });
  state.counters["elements"] = static_cast<double>(desktop.accessibility().visited) /
                               static_cast<double>(std::max<std::uint64_t>(1, state.iterations()));
  std::filesystem::remove_all(root);
}

AccessibleElement FindBar(zq::Accessibility& a, zq::WindowHandle window) {
  AccessibleElement root = 0, toolbar = 0, bar = 0;
  a.Root(window, 250, root);
  a.FindFirst(root, {zq::uia::ToolBar, L"", L"", L""}, {6, 200}, 250, toolbar);
  a.FindFirst(toolbar, {zq::uia::Edit, L"", L"", L""}, {3, 24}, 250, bar);
  a.Release(root);
  a.Release(toolbar);
  return bar;
}

// One tick's read once the bar is known: its value alone.
void BM_AddressReadCached(benchmark::State& state) {
  WithChrome(state, static_cast<unsigned>(state.range(0)), [&](auto& a, auto window) {
    AccessibleElement bar = FindBar(a, window);
    std::wstring value;
    for (auto _ : state) benchmark::DoNotOptimize(a.Value(bar, 250, value));
    a.Release(bar);
  });
}
BENCHMARK(BM_AddressReadCached)->Arg(600)->Arg(3000);

// A read without the cache, along the narrow path: root, toolbar, bar, value.
void BM_AddressNarrowSearch(benchmark::State& state) {
  WithChrome(state, static_cast<unsigned>(state.range(0)), [&](auto& a, auto window) {
    std::wstring value;
    for (auto _ : state) {
      AccessibleElement bar = FindBar(a, window);
      benchmark::DoNotOptimize(a.Value(bar, 250, value));
      a.Release(bar);
    }
  });
}
BENCHMARK(BM_AddressNarrowSearch)->Arg(600)->Arg(3000);

// A search of the whole tree, as FindAllDescendants makes it: every element is looked at.
void BM_AddressFullTreeSearch(benchmark::State& state) {
  WithChrome(state, static_cast<unsigned>(state.range(0)), [&](auto& a, auto window) {
    const zq::ElementCondition everywhere{zq::uia::Edit, L"", L"", L"Address and search bar "};
    for (auto _ : state) {
      AccessibleElement root = 0, found = 0;
      a.Root(window, 250, root);
      benchmark::DoNotOptimize(a.FindFirst(root, everywhere, {~0u, ~0u}, 250, found));
      a.Release(root);
    }
  });
}
BENCHMARK(BM_AddressFullTreeSearch)->Arg(600)->Arg(3000);

// The whole detection pass with Chrome in front (the old detectors first), its bar known.
void BM_TickChromeInFront(benchmark::State& state) {
  WithChrome(state, 600, [&](auto&, auto) {
    for (auto _ : state) {
      zq::ActiveBrowserInfo info;
      zq::FindActiveBrowser(info);
      benchmark::DoNotOptimize(info.window);
    }
  });
}
BENCHMARK(BM_TickChromeInFront);

// The calls that pass cannot do without: the foreground window, its class, the shell's
// window list (Internet Explorer's detection), the window's program and the bar's value.
void BM_TickBareCalls(benchmark::State& state) {
  WithChrome(state, 600, [&](auto& a, auto window) {
    AccessibleElement bar = FindBar(a, window);
    zq::Platform& p = zq::Plat();
    std::wstring value;
    for (auto _ : state) {
      zq::WindowHandle front = p.windows().Foreground();
      benchmark::DoNotOptimize(p.windows().ClassName(front));
      zq::ShellObjectAnswer list = p.shellWindows().CreateCollection();
      if (list.object) p.shellWindows().Release(list.object);
      zq::WindowProgram program;
      a.ProgramOf(front, program);
      benchmark::DoNotOptimize(a.Value(bar, 250, value));
    }
    a.Release(bar);
  });
}
BENCHMARK(BM_TickBareCalls);

}  // namespace
