// The application host's script calls (form posts and small text answers, which an old
// web control can read without a JSON parser) and the JSON feed for scripts and tests.
#include "service/AppApi.h"

#include "service/HtmlFragments.h"
#include "service/NotificationFeed.h"
#include "service/PanelQuery.h"
#include "service/WebText.h"

namespace zqs {

namespace {

using Req = const httplib::Request&;
using Res = httplib::Response&;
constexpr auto kText = Router::Errors::Text;
constexpr int kFeedLimit = 20;

Params QueryOf(Req req) { return ParseForm(RawQueryOf(req.target)); }
Params FormOf(Req req) { return ParseForm(req.body); }

std::string Get(const Params& p, const char* key) {
  auto it = p.find(key);
  return it == p.end() ? std::string() : it->second;
}

std::int64_t Number(const std::string& text) {
  if (text.empty() || text.size() > 18) return 0;
  std::int64_t value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return 0;
    value = value * 10 + (c - '0');
  }
  return value;
}

void SendText(Res res, const std::string& text) {
  Router::NoCache(res);
  res.set_content(text + "\n", "text/plain; charset=utf-8");
}

void SendFragment(Res res, const std::string& html) {
  Router::NoCache(res);
  res.set_content(html, "text/html; charset=utf-8");
}

// Names and texts travel on tab-separated lines: no tab or line break inside a value.
std::string Field(const std::string& text) {
  std::string out = text;
  for (char& c : out)
    if (c == '\t' || c == '\n') c = ' ';
  return out;
}

}  // namespace

void AppApi::Feed(Req req, Res res) {
  Params q = QueryOf(req);
  const std::string client = Get(q, "client");
  // An unknown or missing client simply has nothing waiting.
  std::vector<Notification> list = client.empty()
                                       ? std::vector<Notification>()
                                       : storage_.Feed(client, Number(Get(q, "after")), kFeedLimit);
  std::vector<FeedEntry> entries;
  entries.reserve(list.size());
  for (const Notification& n : list) entries.push_back(MakeFeedEntry(n, options_.stayMs));
  Router::NoCache(res);
  if (Get(q, "format") == "json")
    res.set_content(FeedJson(list, entries), "application/json; charset=utf-8");
  else
    res.set_content(FeedLines(entries), "text/plain; charset=utf-8");
}

void AppApi::Friends(Req req, Res res, bool change) {
  Params p = change ? FormOf(req) : QueryOf(req);
  const std::string client = Get(p, "client");
  if (change) {
    const std::string action = Get(p, "action");
    if (action == "add")
      storage_.AddFriend(client, Get(p, "who"));
    else if (action == "remove")
      storage_.RemoveFriend(client, Get(p, "who"));
    else
      throw InputError(400, "Unknown action.");
  }
  SendFragment(res, FriendsHtml(storage_.Friends(client), change || Get(p, "manage") == "1"));
}

void AppApi::AddRoutes(Router& router) {
  router.Post(
      "/Panel/api/register",
      [this](Req req, Res res) {
        Client c = storage_.RegisterClient(Get(FormOf(req), "name"));
        SendText(res, "ok\t" + c.id + "\t" + Field(c.name));
      },
      kText);
  router.Post(
      "/Panel/api/hello",
      [this](Req req, Res res) {
        std::optional<Client> c = storage_.FindClient(Get(FormOf(req), "client"));
        if (!c) throw InputError(404, "This client is not known to the service.");
        SendText(res, "ok\t" + Field(c->name));
      },
      kText);
  router.Get(
      "/Panel/api/profile",
      [this](Req req, Res res) {
        std::optional<Client> c = storage_.FindClient(Get(QueryOf(req), "client"));
        if (!c) throw InputError(404, "This client is not known to the service.");
        SendText(res, "ok\t" + Field(c->name) + "\t" + (c->shareLocation ? "1" : "0"));
      },
      kText);
  router.Post(
      "/Panel/api/profile",
      [this](Req req, Res res) {
        Params f = FormOf(req);
        storage_.SetProfile(Get(f, "client"), Get(f, "name"), Get(f, "share") != "0");
        SendText(res, "ok");
      },
      kText);
  router.Post(
      "/Panel/api/comment",
      [this](Req req, Res res) {
        Params f = FormOf(req);
        std::int64_t id = storage_.AddComment(Get(f, "client"), Get(f, "url"), Get(f, "text"));
        res.set_header("X-Zq-Comment", std::to_string(id));
        std::optional<Comment> stored = storage_.FindComment(id);
        if (stored)
          res.set_header("X-Zq-Count", std::to_string(storage_.CountForSite(stored->site)));
        SendFragment(res, CommentListHtml(stored ? storage_.CommentsForSite(stored->site, 50)
                                                 : std::vector<Comment>(),
                                          id));
      },
      kText);
  router.Get(
      "/Panel/api/comments",
      [this](Req req, Res res) {
        std::string site = SiteKey(Get(QueryOf(req), "url"));
        SendFragment(res, CommentListHtml(site.empty() ? std::vector<Comment>()
                                                       : storage_.CommentsForSite(site, 50),
                                          0));
      },
      kText);
  router.Get(
      "/Panel/api/feed", [this](Req req, Res res) { Feed(req, res); }, kText);
  router.Post(
      "/Panel/api/ack",
      [this](Req req, Res res) {
        Params f = FormOf(req);
        storage_.Acknowledge(Get(f, "client"), Number(Get(f, "upto")));
        SendText(res, "ok");
      },
      kText);
  router.Get(
      "/Panel/api/events",
      [this](Req req, Res res) {
        SendFragment(res, HistoryHtml(storage_.History(Get(QueryOf(req), "client"), 50)));
      },
      kText);
  router.Get(
      "/Panel/api/friends", [this](Req req, Res res) { Friends(req, res, false); }, kText);
  router.Post(
      "/Panel/api/friends", [this](Req req, Res res) { Friends(req, res, true); }, kText);
}

}  // namespace zqs
