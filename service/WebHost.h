// The public web host: the about and contact pages that the client opens in the user's
// browser, and the download folder from which the client fetches its update.
#pragma once

#include "service/PageStore.h"
#include "service/Router.h"
#include "service/ServiceOptions.h"
#include "service/Storage.h"
#include "service/UpdateSigner.h"

namespace zqs {

class WebHost {
 public:
  // Reads the signing key when the options name one (throws when it cannot be used).
  WebHost(Storage& storage, const PageStore& pages, const ServiceOptions& options);

  void AddRoutes(Router& router);

 private:
  void Download(const httplib::Request& req, httplib::Response& res);
  void DownloadIndex(httplib::Response& res);
  void Contact(const httplib::Request& req, httplib::Response& res, bool posted);

  Storage& storage_;
  const PageStore& pages_;
  const ServiceOptions& options_;
  std::shared_ptr<const UpdateSigner> signer_;  // none: files are served unsigned
};

}  // namespace zqs
