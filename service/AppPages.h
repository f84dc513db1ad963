// The application host's pages: the panel pages with their query, the notification and
// start-using pages of the hidden windows, the service windows and the check page.
#pragma once

#include "service/PageStore.h"
#include "service/Router.h"
#include "service/ServiceOptions.h"
#include "service/Storage.h"

namespace zqs {

class AppPages {
 public:
  AppPages(Storage& storage, const PageStore& pages, const ServiceOptions& options)
      : storage_(storage), pages_(pages), options_(options) {}

  void AddRoutes(Router& router);

 private:
  enum class PanelKind { Compact, Full, Notify };
  void Panel(const httplib::Request& req, httplib::Response& res, PanelKind kind);
  // A page without values of its own beyond the service's timing numbers.
  void Plain(httplib::Response& res, const char* file);
  std::string Load(const char* file) const;

  Storage& storage_;
  const PageStore& pages_;
  const ServiceOptions& options_;
};

}  // namespace zqs
