// The HTTP server of each host: cpp-httplib's server, reading each request line so that
// a query with more than one "?" (the client's panel address with a site's own query in
// it) is answered instead of refused, with the request's original target kept.
#pragma once

#include <httplib.h>

namespace zqs {

// The client puts the site address into the panel address unescaped, so a site with a
// query gives a target such as "/Panel/x.aspx?...&TavrelZephquillURL=http://s/?a=1".
// cpp-httplib refuses a target with a second "?" as a bad request; this server hands it
// the target with every "?" after the first written as "%3F", and gives the handlers
// the target exactly as it came (Request::target).
class HttpServer : public httplib::Server {
 public:
  // The library listens with a backlog of 5: fifty browsers connecting at once would see
  // most of their connection requests dropped and retried a second later. Call after
  // binding.
  void SetBacklog(int backlog);

 private:
  bool process_and_close_socket(socket_t sock) override;
};

}  // namespace zqs
