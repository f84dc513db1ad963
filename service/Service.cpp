// The whole service: the database, the application host and the public web host, each
// on its own port with its own workers; started and stopped as one.
#include "service/Service.h"

#include <sys/socket.h>

#include <chrono>
#include <stdexcept>

#include "service/AppApi.h"
#include "service/AppPages.h"
#include "service/WebHost.h"

namespace zqs {

namespace {

StorageOptions StorageFor(const ServiceOptions& o) {
  StorageOptions s;
  s.path = o.dbPath;
  s.busyTimeoutMs = o.busyTimeoutMs;
  s.maxPageCount = o.maxDbPages;
  return s;
}

constexpr std::size_t kMaxBody = 1 << 20;  // form posts only: a megabyte is plenty

}  // namespace

Service::Service(ServiceOptions options)
    : options_(std::move(options)),
      storage_(StorageFor(options_)),
      pages_(options_.pagesDir),
      appRouter_(pages_, options_.logRequests),
      webRouter_(pages_, options_.logRequests) {
  // The route handlers keep pointers to these three, which live as long as the service.
  appPages_ = std::make_unique<AppPages>(storage_, pages_, options_);
  appApi_ = std::make_unique<AppApi>(storage_, options_);
  webHost_ = std::make_unique<WebHost>(storage_, pages_, options_);
  appPages_->AddRoutes(appRouter_);
  appApi_->AddRoutes(appRouter_);
  webHost_->AddRoutes(webRouter_);
  appRouter_.Install(appServer_);
  webRouter_.Install(webServer_);
  Configure(appServer_);
  Configure(webServer_);
}

Service::~Service() { Stop(); }

void Service::Configure(httplib::Server& server) {
  const int threads = options_.threads;
  // A kept-alive connection holds its worker, so there are enough workers for every
  // browser and load client that keeps one open.
  server.new_task_queue = [threads] {
    return new httplib::ThreadPool(static_cast<size_t>(threads));
  };
  server.set_keep_alive_max_count(1000);
  server.set_keep_alive_timeout(5);
  server.set_read_timeout(10);
  server.set_write_timeout(10);
  server.set_payload_max_length(kMaxBody);
  // The library's default also sets SO_REUSEPORT, with which a second service on the
  // same port would start "successfully" and take half of the connections. Only
  // SO_REUSEADDR: a restart may bind again while old connections linger.
  server.set_socket_options([](socket_t sock) {
    int yes = 1;
    setsockopt(sock, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
  });
  server.set_default_headers(
      {{"X-Content-Type-Options", "nosniff"}, {"X-Frame-Options", "SAMEORIGIN"}});
}

int Service::Bind(HttpServer& server, int port, const char* which) {
  int bound = port;
  if (port == 0) {
    bound = server.bind_to_any_port(options_.host);
  } else if (!server.bind_to_port(options_.host, port)) {
    bound = -1;
  }
  if (bound <= 0)
    throw std::runtime_error(std::string("cannot listen on ") + options_.host + ":" +
                             std::to_string(port) + " for the " + which);
  server.SetBacklog(SOMAXCONN);
  return bound;
}

void Service::Start() {
  if (running_) return;
  appPort_ = Bind(appServer_, options_.appPort, "application host");
  try {
    webPort_ = Bind(webServer_, options_.webPort, "public web host");
  } catch (...) {
    appServer_.stop();
    throw;
  }
  appThread_ = std::thread([this] { appServer_.listen_after_bind(); });
  webThread_ = std::thread([this] { webServer_.listen_after_bind(); });
  running_ = true;
  // A stop before the listening loops have begun would not reach them; wait (briefly)
  // until both run, so that Stop() always ends them.
  for (int i = 0; i < 5000 && !(appServer_.is_running() && webServer_.is_running()); ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
}

void Service::Stop() {
  if (!running_) return;
  appServer_.stop();
  webServer_.stop();
  if (appThread_.joinable()) appThread_.join();
  if (webThread_.joinable()) webThread_.join();
  running_ = false;
}

std::string Service::AppAddress() const {
  return "http://" + options_.host + ":" + std::to_string(appPort_) + "/";
}

std::string Service::WebAddress() const {
  return "http://" + options_.host + ":" + std::to_string(webPort_) + "/";
}

}  // namespace zqs
