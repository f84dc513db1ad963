// The simulated desktop's network: what each address answers, set by the scenario. The
// simulated web control, the Internet Explorer application objects and downloads ask it.
#pragma once
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace zq::sim {

// What one request gets.
struct NetAnswer {
  enum class Kind {
    Answered,     // the server answered with `status` and `body`
    Unreachable,  // no connection: the name does not resolve or the server is down
    Silent,       // the request is accepted and never answered
  } kind = Kind::Answered;
  int status = 200;
  std::string body;   // the bytes of the answer
  bool live = false;  // answered by `fetcher` (a real server), not by the table
};

// The network as a table of address prefixes. The longest prefix (compared without
// regard to case) that matches an address decides its answer; an address that no prefix
// matches is answered with status 200 and the default body. While the whole network is
// down every request is unreachable.
//
// The default body is an empty HTML page, except for the service's static check page (an
// address whose path ends in "ConnectionAliveStaticCheck.htm"), which holds the element
// with the id "ConnectionAliveStaticCheck" unless `checkElement` is false.
class SimNetwork {
 public:
  enum class State { Up, Down, Silent };
  struct Route {
    State state = State::Up;
    int status = 200;
    std::optional<std::string> body;
  };

  bool up = true;
  bool checkElement = true;
  // When set, answers every address that no route overrides (no route, or a route that is
  // merely up with status 200 and no body of its own) in place of the default pages: a
  // real server behind the simulated network. Its answers come back marked `live`; an
  // address it leaves (nullopt) gets the default page.
  std::function<std::optional<NetAnswer>(const std::wstring& url)> fetcher;

  // The route of exactly this prefix, made (up, 200, default body) when missing.
  Route& At(const std::wstring& prefix);
  // Forgets every route; the network goes up with its check element.
  void Reset();
  const std::map<std::wstring, Route>& Routes() const { return routes_; }

  // The answer to a request for `url`; counts the request.
  NetAnswer Fetch(const std::wstring& url);
  // Requests answered so far (any kind).
  int Requests() const { return requests_; }

  // The ids of the elements of an HTML text and each element's text: the text inside the
  // element up to its end tag, without tags, with the common character references decoded
  // and blanks collapsed. The first element with an id wins.
  static std::map<std::wstring, std::wstring> ElementsOf(const std::string& html);
  // Dump lines "network....".
  std::vector<std::string> Dump() const;

 private:
  std::string DefaultBody(const std::wstring& url) const;

  std::map<std::wstring, Route> routes_;  // by lower-case prefix
  int requests_ = 0;
};

}  // namespace zq::sim
