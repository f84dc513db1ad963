// Routes of one host, matched without regard to case as the service's original web server
// did, with one place that turns failures into error pages or error texts.
#include "service/Router.h"

#include <cstdio>

#include "service/Database.h"
#include "service/HtmlTemplate.h"
#include "service/Storage.h"
#include "service/WebText.h"

namespace zqs {

std::string StatusTitle(int status) {
  switch (status) {
    case 400:
      return "Bad Request";
    case 403:
      return "Forbidden";
    case 404:
      return "Not Found";
    case 405:
      return "Method Not Allowed";
    case 409:
      return "Conflict";
    case 413:
      return "Too Large";
    case 414:
      return "Address Too Long";
    case 500:
      return "Internal Server Error";
    case 503:
      return "Service Unavailable";
    default:
      return "Error";
  }
}

namespace {

// One line on the error stream; the path is the client's text, so control characters
// are shown as "?" rather than reaching the terminal.
void Log(const httplib::Request& req, const char* what) {
  std::string path = req.path.substr(0, 300);
  for (char& c : path)
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) c = '?';
  std::fprintf(stderr, "zqservice: %s %s: %s\n", req.method.c_str(), path.c_str(), what);
}

}  // namespace

Router::Router(const PageStore& pages, bool logRequests) : pages_(pages), log_(logRequests) {}

void Router::Get(const std::string& path, Handler handler, Errors errors) {
  gets_[ToLowerAscii(path)] = Route{std::move(handler), errors};
}

void Router::Post(const std::string& path, Handler handler, Errors errors) {
  posts_[ToLowerAscii(path)] = Route{std::move(handler), errors};
}

void Router::NoCache(httplib::Response& res) {
  res.set_header("Cache-Control", "no-cache, no-store, must-revalidate");
  res.set_header("Pragma", "no-cache");
  res.set_header("Expires", "0");
}

void Router::Fail(httplib::Response& res, int status, const std::string& message,
                  Errors errors) const {
  res.status = status;
  NoCache(res);
  if (errors == Errors::Text) {
    res.set_content("error\t" + message + "\n", "text/plain; charset=utf-8");
    return;
  }
  std::string page = pages_.Get("error.html").value_or("<p>{{message}}</p>");
  HtmlTemplate t;
  t.Text("status", std::to_string(status))
      .Text("title", StatusTitle(status))
      .Text("message", message);
  res.set_content(t.Render(page), "text/html; charset=utf-8");
}

const Router::Route* Router::Find(const std::map<std::string, Route>& table,
                                  const std::string& path) const {
  std::string key = ToLowerAscii(path);
  auto it = table.find(key);
  if (it != table.end()) return &it->second;
  // A folder route ("/Download/") takes the plain names directly below it; the root
  // route "/" is the root page only.
  std::size_t slash = key.rfind('/');
  if (slash == std::string::npos || slash == 0) return nullptr;
  it = table.find(key.substr(0, slash + 1));
  return it == table.end() ? nullptr : &it->second;
}

void Router::Dispatch(const std::map<std::string, Route>& table, const httplib::Request& req,
                      httplib::Response& res) const {
  const Route* route = Find(table, req.path);
  if (!route) {
    const Route* other = Find(&table == &gets_ ? posts_ : gets_, req.path);
    Fail(res, other ? 405 : 404,
         other ? "This address does not take that kind of request."
               : "There is no page at this address.",
         Errors::Page);
    return;
  }
  try {
    route->handler(req, res);
  } catch (const InputError& e) {
    Fail(res, e.status(), e.what(), route->errors);
  } catch (const StorageError& e) {
    // Busy (a lock held too long) or full: the request changed nothing; say so plainly.
    Log(req, e.what());
    Fail(res, 503,
         e.kind() == StorageError::Kind::Full
             ? "The service cannot store anything right now: its disk is full. Nothing was saved; "
               "please try again later."
             : "The service's data is busy or unavailable right now. Nothing was saved; please try "
               "again in a moment.",
         route->errors);
  } catch (const std::exception& e) {
    Log(req, e.what());
    Fail(res, 500, "Something went wrong in the service.", route->errors);
  }
}

void Router::Install(httplib::Server& server) {
  server.Get(".*", [this](const httplib::Request& req, httplib::Response& res) {
    Dispatch(gets_, req, res);
  });
  server.Post(".*", [this](const httplib::Request& req, httplib::Response& res) {
    Dispatch(posts_, req, res);
  });
  // Errors that the HTTP layer finds itself (an address too long, a malformed request)
  // get the same error page.
  server.set_error_handler(
      httplib::Server::HandlerWithResponse([this](const httplib::Request&, httplib::Response& res) {
        if (!res.body.empty()) return httplib::Server::HandlerResponse::Unhandled;
        Fail(res, res.status, StatusTitle(res.status) + ".", Errors::Page);
        return httplib::Server::HandlerResponse::Handled;
      }));
  server.set_exception_handler(
      [this](const httplib::Request&, httplib::Response& res, const std::exception_ptr&) {
        Fail(res, 500, "Something went wrong in the service.", Errors::Page);
      });
  if (log_) {
    server.set_logger([](const httplib::Request& req, const httplib::Response& res) {
      // The address is the client's text: no control character reaches the terminal.
      std::string target = req.target.substr(0, 300);
      for (char& c : target)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) c = '?';
      std::printf("%d %s %s\n", res.status, req.method.c_str(), target.c_str());
      std::fflush(stdout);
    });
  }
}

}  // namespace zqs
