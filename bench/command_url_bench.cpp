// Benchmarks of reading addresses as commands: typical command addresses, the ordinary
// page address that every navigation checks, and the origin test of the page that commands.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "app/AppConsts.h"
#include "panel/CommandUrl.h"

namespace {

const std::vector<std::wstring> kCommands = {
    L"zqwndcmd::CMD:1228~wParam:x~lParam:y~",
    L"zqwndcmd::CMD:1227~wParam:nextnotificationmsg~lParam:Your friend Dana is on the same "
    L"site as you~",
    L"zqwndcmd::CMD:1226~wParam:Zephquill Friends;http://127.0.0.1:8701/Panel/"
    L"WhereAreMyFriends.aspx?InitialScreen=Friends~lParam:0~",
    L"zqwndcmd::CMD:1224~wParam:320~lParam:240~",
};

void BM_ParseCommandUrl_Commands(benchmark::State& state) {
  const zq::CommandUrlWords words;
  size_t i = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(zq::ParseCommandUrl(kCommands[i], words));
    i = (i + 1) % kCommands.size();
  }
  state.SetItemsProcessed(state.iterations());
  state.SetLabel("addresses");
}
BENCHMARK(BM_ParseCommandUrl_Commands);

void BM_ParseCommandUrl_OrdinaryAddress(benchmark::State& state) {
  const zq::CommandUrlWords words;
  const std::wstring url =
      L"http://127.0.0.1:8701/panel/defaultminimize.aspx?TavrelZephquillID=&TavrelZephquillURL="
      L"http://www.example.com/news/2026/01/05/story.html?ref=front";
  for (auto _ : state) benchmark::DoNotOptimize(zq::ParseCommandUrl(url, words));
  state.SetItemsProcessed(state.iterations());
  state.SetLabel("addresses");
}
BENCHMARK(BM_ParseCommandUrl_OrdinaryAddress);

void BM_MayIssueCommands(benchmark::State& state) {
  zq::CAppConsts consts([](const std::wstring&, const std::wstring& def) { return def; });
  const std::vector<std::wstring> service = zq::ServiceAddresses(consts);
  const std::wstring page = L"http://127.0.0.1:8702/Contactus.aspx?TavrelZephquillID=abc";
  for (auto _ : state) benchmark::DoNotOptimize(zq::MayIssueCommands(page, service));
  state.SetItemsProcessed(state.iterations());
  state.SetLabel("pages");
}
BENCHMARK(BM_MayIssueCommands);

}  // namespace
