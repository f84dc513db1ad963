// The application host's pages: the panel pages with their query, the notification and
// start-using pages of the hidden windows, the service windows and the check page.
#include "service/AppPages.h"

#include <cstdio>
#include <stdexcept>

#include "service/HtmlFragments.h"
#include "service/HtmlTemplate.h"
#include "service/PanelQuery.h"
#include "service/WebText.h"

namespace zqs {

namespace {

constexpr int kPanelComments = 50;

std::int64_t ToId(const std::string& text) {
  if (text.empty() || text.size() > 18) return 0;
  std::int64_t value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return 0;
    value = value * 10 + (c - '0');
  }
  return value;
}

// The keywords of a notification: the client turned the ";" between them into "~".
std::string KeywordsHtml(const std::string& keywords) {
  std::string out;
  std::size_t pos = 0;
  while (pos <= keywords.size()) {
    std::size_t end = keywords.find('~', pos);
    if (end == std::string::npos) end = keywords.size();
    std::string word = keywords.substr(pos, end - pos);
    if (!word.empty()) out += "<span class=\"zq-keyword\">" + HtmlEscape(word) + "</span> ";
    pos = end + 1;
  }
  return out;
}

void SendHtml(httplib::Response& res, const std::string& html) {
  Router::NoCache(res);
  res.set_content(html, "text/html; charset=utf-8");
}

}  // namespace

std::string AppPages::Load(const char* file) const {
  std::optional<std::string> page = pages_.Get(file);
  if (!page) throw std::runtime_error(std::string("page missing: ") + file);
  return *page;
}

void AppPages::Plain(httplib::Response& res, const char* file) {
  HtmlTemplate t;
  t.Text("poll_ms", std::to_string(options_.pollMs))
      .Text("stay_ms", std::to_string(options_.stayMs));
  SendHtml(res, t.Render(Load(file)));
}

void AppPages::Panel(const httplib::Request& req, httplib::Response& res, PanelKind kind) {
  PanelQuery q = ParsePanelQuery(RawQueryOf(req.target));
  const std::string clientId = q.Get("TavrelZephquillID");
  const std::string siteKey = SiteKey(q.site);
  std::optional<Client> client;
  if (!clientId.empty()) client = storage_.FindClient(clientId);
  if (client && !siteKey.empty()) {
    // The visit only decides who hears of new comments; the page is shown without it.
    try {
      storage_.RecordVisit(clientId, q.site);
    } catch (const StorageError& e) {
      std::fprintf(stderr, "zqservice: visit not recorded: %s\n", e.what());
    }
  }
  std::vector<Comment> comments;
  std::int64_t count = 0;
  if (!siteKey.empty()) {
    comments = storage_.CommentsForSite(siteKey, kind == PanelKind::Compact ? 1 : kPanelComments);
    count = storage_.CountForSite(siteKey);
  }

  const bool notify = kind == PanelKind::Notify && q.Get("IsNotify") == "1";
  const std::int64_t murmelId = ToId(q.Get("MurmelId"));
  std::string state = siteKey.empty() ? "zq-no-site" : "zq-has-site";
  state += client ? " zq-known" : " zq-unknown";

  HtmlTemplate t;
  t.Text("client_id", clientId).Text("site", q.site).Text("site_key", siteKey);
  t.Text("count", std::to_string(count));
  t.Text("open", (q.Get("Open") == "1" || notify) ? "1" : "0");
  t.Markup("comments", CommentListHtml(comments, murmelId));
  if (notify) {
    std::optional<Comment> c = murmelId ? storage_.FindComment(murmelId) : std::nullopt;
    state += " zq-notify";
    t.Text("murmel_id", std::to_string(murmelId)).Text("ctype", q.Get("ctype"));
    t.Text("is_per_site", q.Get("IsPerSite"));
    t.Markup("keywords", KeywordsHtml(q.Get("keywords")));
    if (c) {
      t.Text("notice_author", c->author).Text("notice_site", c->site);
      t.Markup("notice_text", MultilineHtml(c->text));
    } else {
      t.Text("notice_author", "Somebody").Text("notice_site", siteKey);
      t.Markup("notice_text", "<em>This comment is no longer here.</em>");
    }
  }
  t.Text("state", state);
  SendHtml(res,
           t.Render(Load(kind == PanelKind::Compact ? "panel-compact.html" : "panel-full.html")));
}

void AppPages::AddRoutes(Router& router) {
  using Req = const httplib::Request&;
  using Res = httplib::Response&;
  router.Get("/", [this](Req, Res res) { Plain(res, "index.html"); });
  router.Get("/Panel/DefaultMinimize.aspx",
             [this](Req req, Res res) { Panel(req, res, PanelKind::Compact); });
  router.Get("/Panel/SiteComments.aspx",
             [this](Req req, Res res) { Panel(req, res, PanelKind::Full); });
  router.Get("/Panel/DefaultNotify.aspx",
             [this](Req req, Res res) { Panel(req, res, PanelKind::Notify); });
  router.Get("/Panel/DefaultClose.html", [this](Req, Res res) { Plain(res, "closed.html"); });
  router.Get("/Panel/PollingNotifications.aspx",
             [this](Req, Res res) { Plain(res, "polling.html"); });
  router.Get("/Panel/ClientApplicationLoad.aspx",
             [this](Req, Res res) { Plain(res, "clientload.html"); });
  router.Get("/Panel/Settings.aspx", [this](Req, Res res) { Plain(res, "settings.html"); });
  router.Get("/Panel/WhereAreMyFriends.aspx", [this](Req, Res res) { Plain(res, "friends.html"); });
  router.Get("/Panel/Events.aspx", [this](Req, Res res) { Plain(res, "events.html"); });
  router.Get("/Panel/FriendsAdmin.aspx", [this](Req, Res res) { Plain(res, "friendsadmin.html"); });
  // The check page touches no data: it answers whenever the host is up.
  router.Get("/Panel/ConnectionAliveStaticCheck.htm", [this](Req, Res res) {
    res.set_content(Load("check.htm"), "text/html; charset=utf-8");
  });
  for (const char* file : {"zq.js", "zq.css"}) {
    router.Get(std::string("/Panel/") + file, [this, file](Req, Res res) {
      res.set_header("Cache-Control", "max-age=60");
      res.set_content(Load(file), PageStore::ContentType(file));
    });
  }
}

}  // namespace zqs
