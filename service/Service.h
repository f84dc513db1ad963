// The whole service: the database, the application host and the public web host, each
// on its own port with its own workers; started and stopped as one.
#pragma once

#include <httplib.h>

#include <memory>
#include <string>
#include <thread>

#include "service/HttpServer.h"
#include "service/PageStore.h"
#include "service/Router.h"
#include "service/ServiceOptions.h"
#include "service/Storage.h"

namespace zqs {

class AppApi;
class AppPages;
class WebHost;

class Service {
 public:
  // Opens (or creates and migrates) the database; StorageError when it cannot.
  explicit Service(ServiceOptions options);
  ~Service();
  Service(const Service&) = delete;
  Service& operator=(const Service&) = delete;

  // Binds both ports and starts answering; std::runtime_error when a port is taken.
  void Start();
  // Stops taking connections, lets the requests under way finish, and returns when
  // both hosts are down. Every answered write is in the database by then.
  void Stop();

  int appPort() const { return appPort_; }
  int webPort() const { return webPort_; }
  std::string AppAddress() const;  // "http://127.0.0.1:8701/"
  std::string WebAddress() const;
  Storage& storage() { return storage_; }
  const ServiceOptions& options() const { return options_; }

 private:
  void Configure(httplib::Server& server);
  int Bind(HttpServer& server, int port, const char* which);

  ServiceOptions options_;
  Storage storage_;
  PageStore pages_;
  Router appRouter_;
  Router webRouter_;
  std::unique_ptr<AppPages> appPages_;
  std::unique_ptr<AppApi> appApi_;
  std::unique_ptr<WebHost> webHost_;
  HttpServer appServer_;
  HttpServer webServer_;
  std::thread appThread_;
  std::thread webThread_;
  int appPort_ = 0;
  int webPort_ = 0;
  bool running_ = false;
};

}  // namespace zqs
