// Helpers of the service's tests: a fresh temporary folder, and a service of its own on
// free ports with a database in that folder.
#pragma once

#include <gtest/gtest.h>
#include <httplib.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

#include "service/Service.h"

namespace zqs::test {

class TempDir {
 public:
  TempDir() {
    std::string pattern =
        (std::filesystem::temp_directory_path() / "zqservice-test-XXXXXX").string();
    if (!mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
    path_ = pattern;
  }
  ~TempDir() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
  }
  std::string File(const std::string& name) const { return (path_ / name).string(); }
  const std::filesystem::path& path() const { return path_; }

 private:
  std::filesystem::path path_;
};

class LiveService {
 public:
  explicit LiveService(ServiceOptions options = ServiceOptions()) {
    options.appPort = 0;
    options.webPort = 0;
    if (options.dbPath == "zqservice.db") options.dbPath = dir_.File("zq.db");
    if (options.busyTimeoutMs == 3000) options.busyTimeoutMs = 100;
    options.threads = 8;
    service_ = std::make_unique<Service>(options);
    service_->Start();
    app_ = std::make_unique<httplib::Client>("127.0.0.1", service_->appPort());
    web_ = std::make_unique<httplib::Client>("127.0.0.1", service_->webPort());
  }
  Service& service() { return *service_; }
  Storage& storage() { return service_->storage(); }
  httplib::Client& app() { return *app_; }
  httplib::Client& web() { return *web_; }
  const TempDir& dir() const { return dir_; }

 private:
  TempDir dir_;
  std::unique_ptr<Service> service_;
  std::unique_ptr<httplib::Client> app_;
  std::unique_ptr<httplib::Client> web_;
};

}  // namespace zqs::test
