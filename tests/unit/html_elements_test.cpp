// Unit tests of how the simulated network reads a page's elements (ids and their texts)
// and of the fetch callback that puts a real server behind it.
#include <gtest/gtest.h>

#include "platform/sim/sim_network.h"

namespace zq::sim {
namespace {

using Elements = std::map<std::wstring, std::wstring>;

TEST(HtmlElements, IdsAndTheirTexts) {
  const std::pair<const char*, Elements> cases[] = {
      // Attributes in every quoting, and only real ids.
      {"<div id=\"a\">one</div><span ID='b'>two</span><p id=c>three</p>"
       "<i data-id=\"no\" grid=\"no\">x</i><b title=\"id=&quot;no&quot;\">y</b>"
       "<!-- <div id=\"commented\">z</div> --><em  id = \"d\" >four</em>",
       {{L"a", L"one"}, {L"b", L"two"}, {L"c", L"three"}, {L"d", L"four"}}},
      // The text is the whole content up to the matching end tag.
      {"<div id=\"outer\">\n  <span class=\"x\">5</span>\n  comments <div>about <b>it</b></div>"
       "</div><p>after</p><input id=\"box\" value=\"v\"><span id=\"empty\"></span>"
       "<br id=\"self\"/>tail",
       {{L"outer", L"5 comments about it"}, {L"box", L""}, {L"empty", L""}, {L"self", L""}}},
      // References are decoded; escaped markup stays text.
      {"<li id=\"c1\">&lt;script&gt;alert(1)&lt;/script&gt; &amp; &#233;&#x263A; &bogus; &</li>"
       "<b id=\"x&amp;y\">k</b>",
       {{L"c1", L"<script>alert(1)</script> & \u00e9\u263a &bogus; &"}, {L"x&y", L"k"}}},
      // Broken documents end the scan without harm.
      {"<div id=\"never-closed-quote>text", {}},
      {"<div id=\"a\">open to the end <b>bold", {{L"a", L"open to the end bold"}}},
      {"<div id=\"first\">1</div><div id=\"first\">2</div><div id=\"t\"", {{L"first", L"1"}}},
  };
  for (const auto& [html, elements] : cases)
    EXPECT_EQ(SimNetwork::ElementsOf(html), elements) << html;
}
TEST(SimNetworkFetcher, AnswersWhatNoRouteOverridesAndFallsBackWhenItDeclines) {
  SimNetwork net;
  int asked = 0;
  net.fetcher = [&](const std::wstring& url) -> std::optional<NetAnswer> {
    ++asked;
    if (url.find(L"other.example") != std::wstring::npos) return std::nullopt;
    NetAnswer a;
    a.status = 503;
    a.body = "real";
    return a;
  };
  NetAnswer a = net.Fetch(L"http://127.0.0.1:8701/Panel/x");
  EXPECT_TRUE(a.live);
  EXPECT_EQ(a.status, 503);
  EXPECT_EQ(a.body, "real");
  // Declined: the default page, not live.
  a = net.Fetch(L"http://other.example/");
  EXPECT_FALSE(a.live);
  EXPECT_EQ(a.status, 200);
  // A plain "up" route does not override the server; a status, body or state does.
  net.At(L"http://127.0.0.1:8701/").state = SimNetwork::State::Up;
  EXPECT_TRUE(net.Fetch(L"http://127.0.0.1:8701/Panel/x").live);
  net.At(L"http://127.0.0.1:8701/Panel/").status = 404;
  a = net.Fetch(L"http://127.0.0.1:8701/Panel/x");
  EXPECT_FALSE(a.live);
  EXPECT_EQ(a.status, 404);
  net.At(L"http://127.0.0.1:8701/Panel/").status = 200;
  net.At(L"http://127.0.0.1:8701/Panel/").state = SimNetwork::State::Down;
  EXPECT_EQ(net.Fetch(L"http://127.0.0.1:8701/Panel/x").kind, NetAnswer::Kind::Unreachable);
  net.up = false;
  const int before = asked;
  EXPECT_EQ(net.Fetch(L"http://127.0.0.1:8701/").kind, NetAnswer::Kind::Unreachable);
  EXPECT_EQ(asked, before);  // a network that is down asks no server
}

}  // namespace
}  // namespace zq::sim
