// Benchmarks of reading a page's elements by id, as the simulated web control does for
// every page the live service answers: a panel page with fifty comments, and a small one;
// beside one pass over the same bytes that only counts the tags.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <string>

#include "platform/sim/sim_network.h"

namespace {

std::string PanelPage(int comments) {
  std::string html =
      "<!DOCTYPE html><html><head><title>Zephquill</title>"
      "<link rel=\"stylesheet\" href=\"/Panel/zq.css\"></head><body class=\"zq-panel\">"
      "<div id=\"zqTab\" class=\"zq-tab\"><span class=\"zq-logo\">Z</span></div>"
      "<div id=\"zqTitle\"><span>news.example</span><button id=\"zqClose\">&times;</button>"
      "</div><p><span id=\"zqCount\">50</span> comments</p><ul id=\"zqList\">";
  for (int i = 0; i < comments; ++i)
    html += "<li id=\"c" + std::to_string(i) +
            "\"><b>Ann</b> said: &lt;b&gt;ferries&lt;/b&gt; are back, &amp; so are "
            "the boats <i>2 minutes ago</i></li>\n";
  html +=
      "</ul><span id=\"zqClientId\">0c6e44d3f077c2ec</span>"
      "<script type=\"text/javascript\">zq.panelPage(300, 140);</script></body></html>";
  return html;
}

void BM_ElementsOfPanelWithFiftyComments(benchmark::State& state) {
  const std::string html = PanelPage(50);
  for (auto _ : state) benchmark::DoNotOptimize(zq::sim::SimNetwork::ElementsOf(html));
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * html.size()));
}
BENCHMARK(BM_ElementsOfPanelWithFiftyComments);

void BM_Ref_CountTagsOfPanelWithFiftyComments(benchmark::State& state) {
  const std::string html = PanelPage(50);
  for (auto _ : state) benchmark::DoNotOptimize(std::count(html.begin(), html.end(), '<'));
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * html.size()));
}
BENCHMARK(BM_Ref_CountTagsOfPanelWithFiftyComments);

void BM_ElementsOfCheckPage(benchmark::State& state) {
  const std::string html =
      "<html><head><title>Zephquill</title></head><body>"
      "<div id=\"ConnectionAliveStaticCheck\">Zephquill is reachable.</div></body></html>";
  for (auto _ : state) benchmark::DoNotOptimize(zq::sim::SimNetwork::ElementsOf(html));
}
BENCHMARK(BM_ElementsOfCheckPage);

}  // namespace
