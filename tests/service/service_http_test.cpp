// Tests of the service over HTTP: the client's addresses in any case and with unescaped
// queries, hostile input shown as text, unknown clients, a locked or full database,
// downloads, and over-long addresses.
#include <arpa/inet.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <sqlite3.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <fstream>

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

TEST(ServiceHttp, EveryPageAnswersAtTheClientsAddressesInAnyCase) {
  LiveService s;
  for (const char* path :
       {"/Panel/DefaultMinimize.aspx?TavrelZephquillID=&TavrelZephquillURL=http://a.com/",
        "/panel/defaultminimize.aspx?TavrelZephquillID=&TavrelZephquillURL=http://a.com/",
        "/Panel/SiteComments.aspx", "/Panel/DefaultClose.html",
        "/Panel/"
        "DefaultNotify.aspx?MurmelId=1&IsNotify=1&IsPerSite=true&TavrelZephquillID=&"
        "TavrelZephquillURL=x",
        "/Panel/WhereAreMyFriends.aspx?InitialScreen=Friends",
        "/Panel/Settings.aspx?OpenTab=GeneralTab", "/Panel/Events.aspx", "/Panel/FriendsAdmin.aspx",
        "/Panel/ClientApplicationLoad.aspx", "/Panel/PollingNotifications.aspx",
        "/panel/connectionalivestaticcheck.htm", "/Panel/zq.js", "/"}) {
    auto res = s.app().Get(path);
    ASSERT_TRUE(res) << path;
    EXPECT_EQ(res->status, 200) << path;
  }
  EXPECT_NE(s.app()
                .Get("/panel/connectionalivestaticcheck.htm")
                ->body.find("id=\"ConnectionAliveStaticCheck\""),
            std::string::npos);
  for (const char* path : {"/AboutUs.aspx", "/contactus.aspx", "/Download/", "/zq.css"})
    EXPECT_EQ(s.web().Get(path)->status, 200) << path;
  // The hosts keep their own pages apart; unknown addresses get the error page.
  auto missing = s.web().Get("/Panel/Settings.aspx");
  EXPECT_EQ(missing->status, 404);
  EXPECT_NE(missing->body.find("404 Not Found"), std::string::npos);
  EXPECT_EQ(s.app().Get("/Panel/api/register")->status, 405);
}

TEST(ServiceHttp, ASiteAddressWithItsOwnQueryArrivesWhole) {
  LiveService s;
  s.app().set_url_encode(false);
  std::string id = Register(s.app(), "Eve");
  auto res = s.app().Get("/Panel/SiteComments.aspx?TavrelZephquillID=" + id +
                         "&TavrelZephquillURL=http://shop.com/find?q=a?b&page=2");
  ASSERT_TRUE(res);
  ASSERT_EQ(res->status, 200);
  EXPECT_NE(res->body.find(">http://shop.com/find?q=a?b&amp;page=2</span>"), std::string::npos);
  EXPECT_NE(res->body.find("zq-known"), std::string::npos);
  // The visit was recorded under the site, so Eve hears of Dana's comment on it.
  std::string dana = Register(s.app(), "Dana");
  ASSERT_EQ(Comment(s.app(), dana, "http://shop.com/other", "nice")->status, 200);
  EXPECT_EQ(s.storage().Feed(id, 0, 10).size(), 1u);
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
  EXPECT_NE(body.find("zq-highlight"), std::string::npos);
  EXPECT_NE(body.find("zq-notify"), std::string::npos);
}

TEST(ServiceHttp, AnUnknownClientGetsAnEmptyFeedNotAnError) {
  LiveService s;
  for (const char* path : {"/Panel/api/feed?client=nobody", "/Panel/api/feed",
                           "/Panel/api/feed?client=%00%FF&after=x"}) {
    auto res = s.app().Get(path);
    ASSERT_TRUE(res);
    EXPECT_EQ(res->status, 200) << path;
    EXPECT_EQ(res->body, "zqfeed\n") << path;
  }
  EXPECT_EQ(s.app().Get("/Panel/api/feed?client=nobody&format=json")->body,
            "{\"notifications\":[]}\n");
  auto page = s.app().Get(
      "/Panel/DefaultMinimize.aspx?TavrelZephquillID=nobody&TavrelZephquillURL=http://a.com/");
  EXPECT_EQ(page->status, 200);
  EXPECT_NE(page->body.find("zq-unknown"), std::string::npos);
  EXPECT_EQ(Comment(s.app(), "nobody", "http://a.com/", "hi")->status, 403);
}

TEST(ServiceHttp, NotificationsAreDeliveredOnceAcknowledged) {
  LiveService s;
  std::string eve = Register(s.app(), "Eve");
  std::string dana = Register(s.app(), "Dana");
  s.app().Get("/Panel/DefaultMinimize.aspx?TavrelZephquillID=" + eve +
              "&TavrelZephquillURL=http://a.com/");
  ASSERT_EQ(Comment(s.app(), dana, "http://a.com/page", "Look here")->status, 200);
  auto feed = s.app().Get("/Panel/api/feed?client=" + eve);
  ASSERT_EQ(feed->status, 200);
  EXPECT_NE(feed->body.find("\tmurmel\tDana_on_a.com:<nl>Look_here\t"), std::string::npos);
  std::string notification = feed->body.substr(7, feed->body.find('\t') - 7);
  auto json = s.app().Get("/Panel/api/feed?format=json&client=" + eve);
  EXPECT_NE(json->body.find("\"text\":\"Look here\""), std::string::npos);
  ASSERT_EQ(s.app()
                .Post("/Panel/api/ack", "client=" + eve + "&upto=" + notification,
                      "application/x-www-form-urlencoded")
                ->status,
            200);
  EXPECT_EQ(s.app().Get("/Panel/api/feed?client=" + eve)->body, "zqfeed\n");
  EXPECT_NE(s.app().Get("/Panel/api/events?client=" + eve)->body.find("Look here"),
            std::string::npos);
}

// A refused write keeps nothing of itself (storage_test); here, what the client and the
// public pages are answered while the database is locked or full.
TEST(ServiceHttp, ALockedDatabaseGivesAnErrorAndReadingGoesOn) {
  LiveService s;
  std::string dana = Register(s.app(), "Dana");
  sqlite3* other = nullptr;
  ASSERT_EQ(sqlite3_open(s.service().options().dbPath.c_str(), &other), SQLITE_OK);
  ASSERT_EQ(sqlite3_exec(other, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr), SQLITE_OK);

  auto posted = Comment(s.app(), dana, "http://a.com/", "while locked");
  ASSERT_TRUE(posted);
  EXPECT_EQ(posted->status, 503);
  EXPECT_EQ(posted->body.rfind("error\t", 0), 0u);
  httplib::Params feedback{{"name", "x"}, {"email", "y"}, {"text", "while locked"}};
  auto page = s.web().Post("/Contactus.aspx", feedback);
  EXPECT_EQ(page->status, 503);
  EXPECT_NE(page->body.find("Nothing was saved"), std::string::npos);
  EXPECT_NE(page->get_header_value("Content-Type").find("text/html"), std::string::npos);
  // Reading goes on: the panel still shows the site.
  EXPECT_EQ(s.app()
                .Get("/Panel/DefaultMinimize.aspx?TavrelZephquillID=" + dana +
                     "&TavrelZephquillURL=http://a.com/")
                ->status,
            200);

  sqlite3_close(other);
}

TEST(ServiceHttp, AFullDiskGivesAnErrorPage) {
  test::TempDir dir;
  ServiceOptions o;
  o.dbPath = dir.File("full.db");
  std::int64_t pages = 0;
  {
    StorageOptions created;
    created.path = o.dbPath;
    Storage storage(created);
    Database db(o.dbPath, 100);
    pages = db.QueryInt("PRAGMA page_count").value_or(0);
  }
  o.maxDbPages = pages + 2;  // the database may hardly grow
  LiveService s(o);
  httplib::Params feedback{{"name", "x"}, {"email", "y"}, {"text", std::string(6000, 'z')}};
  int full = 0;
  for (int i = 0; i < 20; ++i) {
    auto page = s.web().Post("/Contactus.aspx", feedback);
    ASSERT_TRUE(page);
    if (page->status == 503) {
      EXPECT_NE(page->body.find("disk is full"), std::string::npos);
      ++full;
    }
  }
  EXPECT_GT(full, 0);
  EXPECT_EQ(s.storage().FeedbackCount(), 20 - full);
}

TEST(ServiceHttp, DownloadsServeTheFolderAndNothingOutsideIt) {
  LiveService s;
  std::filesystem::create_directories(s.dir().path() / "Download");
  const std::string exe("MZ\0\x01\xFFpayload", 11);
  std::ofstream(s.dir().path() / "Download" / "ZephquillClient.exe", std::ios::binary) << exe;
  std::ofstream(s.dir().path() / "Download" / "<b>x.txt") << "x";
  for (const char* path : {"/Download/ZephquillClient.exe", "/download/zephquillclient.EXE"}) {
    auto res = s.web().Get(path);
    ASSERT_EQ(res->status, 200) << path;
    EXPECT_EQ(res->body, exe);
  }
  s.web().set_url_encode(false);
  for (const char* path : {"/Download/../zq.db", "/Download/..%2Fzq.db", "/Download/%2e%2e%2fzq.db",
                           "/Download/.", "/Download/nothing.exe", "/Download/..\\zq.db"}) {
    auto res = s.web().Get(path);
    ASSERT_TRUE(res) << path;
    EXPECT_EQ(res->status, 404) << path;
  }
  auto list = s.web().Get("/Download/");
  EXPECT_NE(list->body.find("&lt;b&gt;x.txt"), std::string::npos);
  EXPECT_EQ(list->body.find("<b>x"), std::string::npos);
}

// An address too long to read is refused with the error page (a long site address is cut:
// PanelQueryKeepsTheUnescapedSiteAddressWhole).
TEST(ServiceHttp, OverlongAddressesAreRefusedWithAnErrorPage) {
  LiveService s;
  s.app().set_url_encode(false);
  auto refused =
      s.app().Get("/Panel/DefaultMinimize.aspx?TavrelZephquillURL=" + std::string(9000, 'x'));
  ASSERT_TRUE(refused);
  EXPECT_EQ(refused->status, 414);
  EXPECT_NE(refused->body.find("zqErrorStatus"), std::string::npos);
}

// Fifty connections opened at the same moment, as a load test or many browsers do: each
// must be taken at once. A short listen queue drops the connection requests it has no
// room for, and the peer tries again only a second later.
TEST(ServiceHttp, FiftyConnectionsOpenedAtOnceAreAllTakenAtOnce) {
  LiveService s;
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_port = htons(static_cast<uint16_t>(s.service().appPort()));
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  std::vector<pollfd> sockets;
  for (int i = 0; i < 50; ++i) {
    int fd = socket(AF_INET, SOCK_STREAM, 0);
    fcntl(fd, F_SETFL, O_NONBLOCK);
    connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
    sockets.push_back(pollfd{fd, POLLOUT, 0});
  }
  auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(700);
  int connected = 0;
  while (connected < 50 && std::chrono::steady_clock::now() < deadline) {
    poll(sockets.data(), sockets.size(), 20);
    connected = 0;
    for (pollfd& p : sockets) connected += (p.revents & POLLOUT) ? 1 : 0;
  }
  for (pollfd& p : sockets) close(p.fd);
  EXPECT_EQ(connected, 50);
}

TEST(ServiceHttp, AKeptAliveConnectionGetsEachAnswerWithoutWaiting) {
  // Browsers keep connections open. An answer written as headers and then body must not
  // wait for the peer's delayed acknowledgement (about 40 ms each time): 50 answers on
  // one connection would then take two seconds at least.
  LiveService s;
  s.app().set_keep_alive(true);
  auto start = std::chrono::steady_clock::now();
  for (int i = 0; i < 50; ++i)
    ASSERT_EQ(s.app().Get("/Panel/ConnectionAliveStaticCheck.htm")->status, 200);
  auto took = std::chrono::steady_clock::now() - start;
  EXPECT_LT(took, std::chrono::milliseconds(1500));
}

}  // namespace
}  // namespace zqs
