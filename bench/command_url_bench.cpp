// Benchmarks of reading addresses as commands: typical command addresses, the ordinary
// page address that every navigation checks (the reference of the first), and the origin
// test of the page that commands beside a plain prefix comparison with the same addresses.
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

// The page compared with the start of each service address's scheme, host and port, taken
// beforehand: what the origin test amounts to without parsing.
void BM_Ref_PrefixCompareOrigins(benchmark::State& state) {
  zq::CAppConsts consts([](const std::wstring&, const std::wstring& def) { return def; });
  std::vector<std::wstring> origins;
  for (const std::wstring& address : zq::ServiceAddresses(consts)) {
    size_t slash = address.find(L'/', address.find(L"://") + 3);
    origins.push_back(address.substr(0, slash == std::wstring::npos ? address.size() : slash + 1));
  }
  const std::wstring page = L"http://127.0.0.1:8702/Contactus.aspx?TavrelZephquillID=abc";
  if (!zq::MayIssueCommands(page, zq::ServiceAddresses(consts))) {
    state.SkipWithError("the page is not one of the service's");
    return;
  }
  for (auto _ : state) {
    bool found = false;
    for (const std::wstring& origin : origins)
      if (page.compare(0, origin.size(), origin) == 0) {
        found = true;
        break;
      }
    benchmark::DoNotOptimize(found);
  }
  state.SetItemsProcessed(state.iterations());
  state.SetLabel("pages");
}
BENCHMARK(BM_Ref_PrefixCompareOrigins);

}  // namespace
