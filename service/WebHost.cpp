// The public web host: the about and contact pages that the client opens in the user's
// browser, and the download folder from which the client fetches its update.
#include "service/WebHost.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>

#include "service/HtmlTemplate.h"
#include "service/WebText.h"

namespace zqs {

namespace fs = std::filesystem;

namespace {

using Req = const httplib::Request&;
using Res = httplib::Response&;

// The regular files directly in the folder, sorted by name.
std::vector<fs::path> FilesIn(const std::string& folder) {
  std::vector<fs::path> files;
  std::error_code ec;
  for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
    std::error_code typeError;
    if (it->is_regular_file(typeError) && it->path().filename().string()[0] != '.')
      files.push_back(it->path());
  }
  std::sort(files.begin(), files.end());
  return files;
}

std::string ReadWhole(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  std::ostringstream bytes;
  if (!in || !(bytes << in.rdbuf())) throw std::runtime_error("cannot read " + file.string());
  return bytes.str();
}

// The folder's file called `name` (without regard to case, as on the client's system).
// The name is only compared with the folder's own entries, so no request can reach a file
// outside the folder.
std::optional<fs::path> FileNamed(const std::string& folder, const std::string& name) {
  for (const fs::path& file : FilesIn(folder))
    if (ToLowerAscii(file.filename().string()) == ToLowerAscii(name)) return file;
  return std::nullopt;
}

const char kSignatureSuffix[] = ".sig";

}  // namespace

WebHost::WebHost(Storage& storage, const PageStore& pages, const ServiceOptions& options)
    : storage_(storage), pages_(pages), options_(options) {
  if (!options_.signingKey.empty()) signer_ = UpdateSigner::FromPemFile(options_.signingKey);
}

// A file of the folder as it is; with a signing key, "NAME.sig" that the folder does not
// hold itself is NAME's signature, made at each request (files may change at any time).
void WebHost::Download(Req req, Res res) {
  const std::string name = req.path.substr(req.path.rfind('/') + 1);
  if (name.empty()) {
    DownloadIndex(res);
    return;
  }
  const std::string folder = options_.DownloadFolder();
  res.set_header("Cache-Control", "no-cache");
  if (std::optional<fs::path> file = FileNamed(folder, name)) {
    res.set_header("Content-Disposition",
                   "attachment; filename=\"" + file->filename().string() + "\"");
    res.set_content(ReadWhole(*file), "application/octet-stream");
    return;
  }
  const std::size_t suffix = sizeof kSignatureSuffix - 1;
  if (signer_ && name.size() > suffix &&
      ToLowerAscii(name.substr(name.size() - suffix)) == kSignatureSuffix) {
    if (std::optional<fs::path> file = FileNamed(folder, name.substr(0, name.size() - suffix))) {
      res.set_content(signer_->Sign(ReadWhole(*file)), "text/plain; charset=us-ascii");
      return;
    }
  }
  throw InputError(404, "There is no file called " + name + " to download.");
}

void WebHost::DownloadIndex(Res res) {
  std::string items;
  for (const fs::path& file : FilesIn(options_.DownloadFolder())) {
    std::string name = file.filename().string();
    items += "<li><a href=\"" + HtmlEscape(PercentEncode(name)) + "\">" + HtmlEscape(name) +
             "</a></li>\n";
  }
  if (items.empty()) items = "<li class=\"zq-empty\">Nothing to download yet.</li>";
  HtmlTemplate t;
  t.Markup("files", items);
  res.set_content(t.Render(pages_.Get("download.html").value_or("{{{files}}}")),
                  "text/html; charset=utf-8");
}

void WebHost::Contact(Req req, Res res, bool posted) {
  HtmlTemplate t;
  if (posted) {
    Params f = ParseForm(req.body);
    auto get = [&f](const char* key) {
      auto it = f.find(key);
      return it == f.end() ? std::string() : it->second;
    };
    storage_.AddFeedback(get("name"), get("email"), get("text"));
    t.Text("notice", "Thank you, we read every message.");
    t.Text("state", "zq-sent");
  } else {
    t.Text("state", "zq-form");
  }
  Router::NoCache(res);
  res.set_content(t.Render(pages_.Get("contact.html").value_or("")), "text/html; charset=utf-8");
}

void WebHost::AddRoutes(Router& router) {
  auto about = [this](Req, Res res) {
    res.set_content(pages_.Get("about.html").value_or(""), "text/html; charset=utf-8");
  };
  router.Get("/", about);
  router.Get("/AboutUs.aspx", about);
  router.Get("/Contactus.aspx", [this](Req req, Res res) { Contact(req, res, false); });
  router.Post("/Contactus.aspx", [this](Req req, Res res) { Contact(req, res, true); });
  router.Get("/Download/", [this](Req req, Res res) { Download(req, res); });
  router.Get("/Download", [](Req, Res res) { res.set_redirect("/Download/"); });
  router.Get("/zq.css", [this](Req, Res res) {
    res.set_header("Cache-Control", "max-age=60");
    res.set_content(pages_.Get("zq.css").value_or(""), "text/css; charset=utf-8");
  });
}

}  // namespace zqs
