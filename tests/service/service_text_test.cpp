// Tests of the service's text handling: repairing input, escaping output, reading the
// client's unescaped panel query, site keys, and the values of command addresses.
#include <gtest/gtest.h>

#include "service/HtmlTemplate.h"
#include "service/NotificationFeed.h"
#include "service/PanelQuery.h"
#include "service/WebText.h"

namespace zqs {
namespace {

// Invalid bytes, an overlong slash, a surrogate half and a truncated sequence each become
// U+FFFD; valid multi-byte characters stay. NUL, escape, C1 controls go; tabs become spaces;
// every line break becomes LF, or a space where line breaks are not kept.
TEST(ServiceText, MalformedInputBecomesValidTextWithoutControls) {
  const std::string bad = "\xEF\xBF\xBD";
  const struct {
    std::string in;
    bool keepLines;
    std::string out;
  } cases[] = {
      {"a\377b", true, "a" + bad + "b"},
      {"\xC0\xAF", true, bad + bad},
      {"\xED\xA0\x80", true, bad + bad + bad},
      {"x\xE2\x82", true, "x" + bad + bad},
      {"caf\xC3\xA9 \xF0\x9F\x98\x80", true, "caf\xC3\xA9 \xF0\x9F\x98\x80"},
      {std::string("a\0b\x1B[31mc\302\205d", 12), true, "ab[31mcd"},
      {"1\r\n2\r3\n4\t5", true, "1\n2\n3\n4 5"},
      {"1\r\n2", false, "1 2"},
  };
  for (const auto& c : cases) EXPECT_EQ(SanitizeText(c.in, c.keepLines), c.out) << c.in;
  EXPECT_EQ(Utf8Prefix("\xC3\xA9\xC3\xA9\xC3\xA9", 2), "\xC3\xA9\xC3\xA9");
  EXPECT_EQ(Utf8Length("\xC3\xA9x\xF0\x9F\x98\x80"), 3u);
}

TEST(ServiceText, TemplatesEscapeTextsAndKeepOnlyServiceMarkup) {
  HtmlTemplate t;
  t.Text("name", "<script>alert('x')</script> & \"q\"").Markup("list", "<li>ok</li>");
  EXPECT_EQ(
      t.Render("<b>{{name}}</b><ul>{{{list}}}</ul>{{missing}}|{{ not a placeholder}}|{{{name}}"),
      "<b>&lt;script&gt;alert(&#39;x&#39;)&lt;/script&gt; &amp; &quot;q&quot;</b>"
      "<ul><li>ok</li></ul>|{{ not a placeholder}}|{{{name}}");
  // A text is never markup, even when it names a markup slot.
  HtmlTemplate only;
  only.Text("list", "<li>evil</li>");
  EXPECT_EQ(only.Render("{{{list}}}{{list}}"), "&lt;li&gt;evil&lt;/li&gt;");
  EXPECT_EQ(JsonString("a\"b\\c\n</script>\x01"), "\"a\\\"b\\\\c\\n\\u003c/script\\u003e\\u0001\"");
}

TEST(ServiceText, PanelQueryKeepsTheUnescapedSiteAddressWhole) {
  // The client escapes nothing: the site's own query runs on after TavrelZephquillURL.
  PanelQuery q = ParsePanelQuery(
      "MurmelId=7&IsNotify=1&TavrelZephquillID=abc&TavrelZephquillURL=http://x.com/a "
      "b?q=1&r=2#top");
  EXPECT_TRUE(q.hasSite);
  EXPECT_EQ(q.site, "http://x.com/a b?q=1&r=2#top");
  EXPECT_EQ(q.Get("tavrelzephquillid"), "abc");
  EXPECT_EQ(q.Get("MURMELID"), "7");
  EXPECT_EQ(q.Get("r"), "");
  // A base page with a query of its own gets a second "?", which separates too.
  q = ParsePanelQuery("InitialScreen=Friends?TavrelZephquillID=id1&TavrelZephquillURL=http://y/");
  EXPECT_EQ(q.Get("InitialScreen"), "Friends");
  EXPECT_EQ(q.Get("TavrelZephquillID"), "id1");
  EXPECT_EQ(q.site, "http://y/");
  // Percent-encoded addresses are decoded, "+" is a plus, and the key only counts where
  // a parameter starts.
  q = ParsePanelQuery("xTavrelZephquillURL=no&tavrelzephquillurl=http%3A%2F%2Fz.org%2Fa+b%zz");
  EXPECT_EQ(q.site, "http://z.org/a+b%zz");
  EXPECT_EQ(q.Get("xTavrelZephquillURL"), "no");
  // A client that escapes the values gives the same address.
  q = ParsePanelQuery(
      "TavrelZephquillID=abc&TavrelZephquillURL=http%3A%2F%2Fx.com%2Fa%20b%3Fq%3D1%26r%3D2");
  EXPECT_EQ(q.site, "http://x.com/a b?q=1&r=2");
  EXPECT_EQ(q.Get("TavrelZephquillID"), "abc");
  q = ParsePanelQuery("TavrelZephquillID=&TavrelZephquillURL=" + std::string(5000, 'a'));
  EXPECT_EQ(q.site.size(), kMaxSiteAddress);
  EXPECT_FALSE(ParsePanelQuery("a=1").hasSite);
  EXPECT_EQ(RawQueryOf("/p?a=1&b=2#frag"), "a=1&b=2");
  EXPECT_EQ(RawQueryOf("/p"), "");
}

TEST(ServiceText, SiteKeysGroupTheAddressesOfOneSite) {
  EXPECT_EQ(SiteKey("http://WWW.Example.com/page?x"), "example.com");
  EXPECT_EQ(SiteKey("https://user:pw@example.com:443/"), "example.com");
  EXPECT_EQ(SiteKey("http://example.com:8080/"), "example.com:8080");
  EXPECT_EQ(SiteKey("  example.com/path"), "example.com");
  EXPECT_EQ(SiteKey("ftp://files.example.com/x"), "ftp://files.example.com");
  EXPECT_EQ(SiteKey("javascript:alert(1)"), "javascript:alert(1)");
  EXPECT_EQ(SiteKey("http://a<b>.com/"), "a<b>.com");
  EXPECT_EQ(SiteKey(""), "");
  // Cut at 255 bytes, never inside a character.
  std::string key = SiteKey("http://" + std::string(254, 'a') + "\xC3\xA9.com/");
  EXPECT_EQ(key, std::string(254, 'a'));
  EXPECT_TRUE(IsWebAddress("https://example.com"));
  EXPECT_FALSE(IsWebAddress("javascript:alert(1)"));
  EXPECT_FALSE(IsWebAddress("http://a<b>.com/"));
  EXPECT_FALSE(IsWebAddress("http:///path"));
  EXPECT_EQ(SiteOrigin("http://Example.com:81/a?b"), "http://example.com:81/");
}

Notification Sample(const std::string& url, const std::string& text) {
  Notification n;
  n.id = 41;
  n.comment.id = 7;
  n.comment.url = url;
  n.comment.site = SiteKey(url);
  n.comment.author = "Dana~Q 100%";
  n.comment.text = text;
  return n;
}

TEST(ServiceText, FeedEntriesAreSafeToPutIntoCommandAddresses) {
  FeedEntry e = MakeFeedEntry(Sample("http://x.com/~me/a b#frag", "Hi there~\nsee_this"), 5000);
  // The client turns "_" into spaces and "<nl>" into line breaks; "~" cannot travel. Keywords
  // come back through a query, escaped or not: nothing in them may change there.
  EXPECT_EQ(FeedLines({e}),
            "zqfeed\n41\t5000\tmurmel\tDana-Q_100%_on_x.com:<nl>Hi_there-<nl>see_this\t"
            "http://x.com/%7Eme/a%20b\t7\tsite\ttrue\tx.com;Dana-Q_100-\n");

  // A long text is cut; a link too long for a command address becomes its site.
  std::string longText(1000, 'w');
  e = MakeFeedEntry(Sample("http://x.com/" + std::string(1900, 'p'), longText), 5000);
  EXPECT_EQ(e.link, "http://x.com/");
  EXPECT_LT(e.message.size(), 260u);
  EXPECT_EQ(e.message.substr(e.message.size() - 3), "...");
  for (const std::string& v : {e.message, e.link, e.keywords})
    EXPECT_EQ(v.find_first_of("~\t\n"), std::string::npos) << v;
}

}  // namespace
}  // namespace zqs
