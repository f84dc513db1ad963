// Tests of the service over HTTP: every address's answer (in any case, unescaped, unknown
// clients, downloads, over-long addresses), hostile input shown as text, the feed, and a
// locked or full database.
#include <gtest/gtest.h>

#include <fstream>
#include <initializer_list>

#include "service/Database.h"
#include "service_test_util.h"

namespace zqs {
namespace {

using test::LiveService;

std::string Register(httplib::Client& app, const std::string& name) {
  auto res = app.Post("/Panel/api/register", "name=" + name, "application/x-www-form-urlencoded");
  EXPECT_TRUE(res && res->status == 200);
  std::string body = res ? res->body : "";
  return body.substr(3, body.find('\t', 3) - 3);
}

httplib::Result Comment(httplib::Client& app, const std::string& client, const std::string& url,
                        const std::string& text) {
  httplib::Params form{{"client", client}, {"url", url}, {"text", text}};
  return app.Post("/Panel/api/comment", form);
}

// Each address on its host gets the status, and a page holding `page` (or, after "=", the
// whole page). Addresses go out as written, unescaped.
void ExpectAnswers(httplib::Client& host, int status, const std::string& page,
                   std::initializer_list<std::string> paths) {
  host.set_url_encode(false);
  for (const std::string& path : paths) {
    auto res = host.Get(path);
    ASSERT_TRUE(res) << path;
    EXPECT_EQ(res->status, status) << path;
    if (page.rfind('=', 0) == 0)
      EXPECT_EQ(res->body, page.substr(1)) << path;
    else
      EXPECT_NE(res->body.find(page), std::string::npos) << path;
  }
}

// The pages that tests/pages opens and reads are not listed again.
TEST(ServiceHttp, EachAddressGetsItsStatusAndPageInAnyCase) {
  LiveService s;
  ExpectAnswers(
      s.app(), 200, "",
      {"/Panel/DefaultMinimize.aspx?TavrelZephquillID=&TavrelZephquillURL=http://a.com/",
       "/panel/defaultminimize.aspx?TavrelZephquillID=&TavrelZephquillURL=http://a.com/", "/"});
  ExpectAnswers(s.app(), 200, "id=\"ConnectionAliveStaticCheck\"",
                {"/panel/connectionalivestaticcheck.htm"});
  ExpectAnswers(s.web(), 200, "", {"/AboutUs.aspx", "/contactus.aspx", "/zq.css"});
  // The hosts keep their own pages apart; unknown addresses get the error page.
  ExpectAnswers(s.web(), 404, "404 Not Found", {"/Panel/Settings.aspx"});
  ExpectAnswers(s.app(), 405, "", {"/Panel/api/register"});
  // An unknown client gets an empty feed and page, not an error.
  ExpectAnswers(s.app(), 200, "=zqfeed\n",
                {"/Panel/api/feed?client=nobody", "/Panel/api/feed",
                 "/Panel/api/feed?client=%00%FF&after=x"});
  ExpectAnswers(s.app(), 200, "={\"notifications\":[]}\n",
                {"/Panel/api/feed?client=nobody&format=json"});
  ExpectAnswers(
      s.app(), 200, "zq-unknown",
      {"/Panel/DefaultMinimize.aspx?TavrelZephquillID=nobody&TavrelZephquillURL=http://a.com/"});
  EXPECT_EQ(Comment(s.app(), "nobody", "http://a.com/", "hi")->status, 403);
  // An address too long to read is refused (a long site address is cut:
  // PanelQueryKeepsTheUnescapedSiteAddressWhole).
  ExpectAnswers(s.app(), 414, "zqErrorStatus",
                {"/Panel/DefaultMinimize.aspx?TavrelZephquillURL=" + std::string(9000, 'x')});
}

TEST(ServiceHttp, DownloadsServeTheFolderAndNothingOutsideIt) {
  LiveService s;
  const std::filesystem::path download = s.dir().path() / "Download";
  std::filesystem::create_directories(download);
  const std::string exe("MZ\0\x01\xFFpayload", 11);
  std::ofstream(download / "ZephquillClient.exe", std::ios::binary) << exe;
  std::ofstream(download / "<b>x.txt") << "x";
  ExpectAnswers(s.web(), 200, "=" + exe,
                {"/Download/ZephquillClient.exe", "/download/zephquillclient.EXE"});
  ExpectAnswers(s.web(), 404, "",
                {"/Download/../zq.db", "/Download/..%2Fzq.db", "/Download/%2e%2e%2fzq.db",
                 "/Download/.", "/Download/nothing.exe", "/Download/..\\zq.db"});
  ExpectAnswers(s.web(), 200, "&lt;b&gt;x.txt", {"/Download/"});
  EXPECT_EQ(s.web().Get("/Download/")->body.find("<b>x"), std::string::npos);
}

// A visit through a panel page is heard of in the feed, here in its JSON form (the text form
// and its acknowledgement: tests/live; the site's own query reaching the page whole and the
// page knowing its client: tests/pages, panel.test.js).
TEST(ServiceHttp, APanelVisitIsHeardOfInTheJsonFeed) {
  LiveService s;
  std::string id = Register(s.app(), "Eve"), dana = Register(s.app(), "Dana");
  ExpectAnswers(s.app(), 200, "",
                {"/Panel/SiteComments.aspx?TavrelZephquillID=" + id +
                 "&TavrelZephquillURL=http://shop.com/find?q=a"});
  ASSERT_EQ(Comment(s.app(), dana, "http://shop.com/other", "nice")->status, 200);
  ExpectAnswers(s.app(), 200, "\"text\":\"nice\"", {"/Panel/api/feed?format=json&client=" + id});
}

TEST(ServiceHttp, HostileTextsAndAddressesAreShownAsText) {
  LiveService s;
  s.app().set_url_encode(false);
  std::string dana = Register(s.app(), "Dana");
  const std::string site = "http://evil.com/\"><script>alert(1)</script>";
  auto posted = Comment(s.app(), dana, site, "<img src=x onerror=alert(2)>\n</li></ul><b>bold</b>");
  ASSERT_EQ(posted->status, 200);
  EXPECT_EQ(posted->body.find("<img"), std::string::npos);
  std::string id = posted->get_header_value("X-Zq-Comment");

  auto page = s.app().Get("/Panel/DefaultNotify.aspx?MurmelId=" + id +
                          "&IsNotify=1&IsPerSite=true&ctype=%3Cs%3E&keywords=evil.com~%3Cb%3E&"
                          "TavrelZephquillID=%22%3E%3Cscript%3E&TavrelZephquillURL=" +
                          "http://evil.com/%22%3E%3Cscript%3Ealert(1)%3C/script%3E");
  ASSERT_EQ(page->status, 200);
  const std::string& body = page->body;
  for (const char* markup : {"<script>alert", "<img", "<b>bold", "<s>", "\"><script>"})
    EXPECT_EQ(body.find(markup), std::string::npos) << markup;
  EXPECT_NE(body.find("&lt;img src=x onerror=alert(2)&gt;<br>&lt;/li&gt;&lt;/ul&gt;&lt;b&gt;bold"),
            std::string::npos);
  EXPECT_NE(body.find("<span class=\"zq-keyword\">&lt;b&gt;</span>"), std::string::npos);
}

// A refused write keeps nothing of itself (storage_test); here, what the client is answered
// while the database is locked, and a public page while it is full.
TEST(ServiceHttp, ALockedDatabaseGivesAnErrorAndReadingGoesOn) {
  LiveService s;
  std::string dana = Register(s.app(), "Dana");
  Database other(s.service().options().dbPath, 100);
  other.Exec("BEGIN EXCLUSIVE");

  auto posted = Comment(s.app(), dana, "http://a.com/", "while locked");
  ASSERT_TRUE(posted);
  EXPECT_EQ(posted->status, 503);
  EXPECT_EQ(posted->body.rfind("error\t", 0), 0u);
  // Reading goes on: the panel still shows the site.
  EXPECT_EQ(s.app()
                .Get("/Panel/DefaultMinimize.aspx?TavrelZephquillID=" + dana +
                     "&TavrelZephquillURL=http://a.com/")
                ->status,
            200);
}

TEST(ServiceHttp, AFullDiskGivesAnErrorPage) {
  test::TempDir dir;
  ServiceOptions o;
  o.dbPath = dir.File("full.db");
  StorageOptions created;
  created.path = o.dbPath;
  Storage schema(created);  // the schema, so that its size is known
  o.maxDbPages = Database(o.dbPath, 100).QueryInt("PRAGMA page_count").value_or(0) + 2;
  LiveService s(o);
  httplib::Params feedback{{"name", "x"}, {"email", "y"}, {"text", std::string(6000, 'z')}};
  int full = 0;
  for (int i = 0; i < 20; ++i) {
    auto page = s.web().Post("/Contactus.aspx", feedback);
    ASSERT_TRUE(page);
    if (page->status == 503) {
      EXPECT_NE(page->body.find("disk is full. Nothing was saved"), std::string::npos);
      EXPECT_NE(page->get_header_value("Content-Type").find("text/html"), std::string::npos);
      ++full;
    }
  }
  EXPECT_GT(full, 0);
  EXPECT_EQ(s.storage().FeedbackCount(), 20 - full);
}

}  // namespace
}  // namespace zqs
