// The application host's script calls (form posts and small text answers, which an old
// web control can read without a JSON parser) and the JSON feed for scripts and tests.
#pragma once

#include "service/Router.h"
#include "service/ServiceOptions.h"
#include "service/Storage.h"

namespace zqs {

// Answers are "ok" plus tab-separated values on one line, or an HTML fragment; errors are
// "error", a tab and the message, with the HTTP status that tells why.
class AppApi {
 public:
  AppApi(Storage& storage, const ServiceOptions& options) : storage_(storage), options_(options) {}

  void AddRoutes(Router& router);

 private:
  void Feed(const httplib::Request& req, httplib::Response& res);
  void Friends(const httplib::Request& req, httplib::Response& res, bool change);

  Storage& storage_;
  const ServiceOptions& options_;
};

}  // namespace zqs
