// Routes of one host, matched without regard to case as the service's original web server
// did, with one place that turns failures into error pages or error texts.
#pragma once

#include <httplib.h>

#include <functional>
#include <map>
#include <string>

#include "service/PageStore.h"

namespace zqs {

class Router {
 public:
  using Handler = std::function<void(const httplib::Request&, httplib::Response&)>;
  enum class Errors { Page, Text };

  Router(const PageStore& pages, bool logRequests);

  // `path` is the whole path ("/Panel/Settings.aspx"); a path ending in "/" also takes
  // every file name below it (the handler reads the rest from the request's path).
  void Get(const std::string& path, Handler handler, Errors errors = Errors::Page);
  void Post(const std::string& path, Handler handler, Errors errors = Errors::Page);

  // Installs the routes, the error pages and the logger into the server.
  void Install(httplib::Server& server);

  // Writes an error answer: the error page, or a one-line text for script calls.
  void Fail(httplib::Response& res, int status, const std::string& message, Errors errors) const;

  // Headers that keep a browser (and the old control, which caches script calls) from
  // reusing an answer.
  static void NoCache(httplib::Response& res);

 private:
  struct Route {
    Handler handler;
    Errors errors;
  };
  const Route* Find(const std::map<std::string, Route>& table, const std::string& path) const;
  void Dispatch(const std::map<std::string, Route>& table, const httplib::Request& req,
                httplib::Response& res) const;

  const PageStore& pages_;
  bool log_;
  std::map<std::string, Route> gets_;
  std::map<std::string, Route> posts_;
};

// The status line's reason ("Service Unavailable") for the error page's title.
std::string StatusTitle(int status);

}  // namespace zqs
