// The service's command-line options: where it listens, where its data and download
// folder are, and the few numbers worth changing for a test or a demonstration.
#include "service/ServiceOptions.h"

#include <stdexcept>

namespace zqs {

namespace {

std::int64_t Number(const std::string& option, const std::string& text, std::int64_t low,
                    std::int64_t high) {
  std::size_t used = 0;
  long long value = 0;
  try {
    value = std::stoll(text, &used, 10);
  } catch (const std::exception&) {
    used = 0;
  }
  if (used == 0 || used != text.size() || value < low || value > high)
    throw std::invalid_argument(option + " takes a number from " + std::to_string(low) + " to " +
                                std::to_string(high) + ", not \"" + text + "\"");
  return value;
}

}  // namespace

const char* ServiceOptions::Usage() {
  return "usage: zqservice [options]\n"
         "  --host ADDRESS         address to listen on (default 127.0.0.1)\n"
         "  --app-port N           application host port, Panel/ pages (default 8701; 0 = any "
         "free)\n"
         "  --web-port N           public web host port, Download/ and about (default 8702; 0 = "
         "any free)\n"
         "  --db PATH              database file, created on first start (default zqservice.db)\n"
         "  --download DIR         files served under Download/ (default: Download beside the "
         "database)\n"
         "  --pages DIR            serve the pages from DIR instead of the built-in copies\n"
         "  --signing-key FILE     sign each Download/ file with this P-256 private key (PEM),\n"
         "                         served as NAME.sig beside it\n"
         "  --sign FILE            with --signing-key: write FILE.sig and end\n"
         "  --threads N            request workers per host (default 64)\n"
         "  --busy-timeout-ms N    how long to wait for a database lock (default 3000)\n"
         "  --max-db-pages N       let the database grow to N pages only (a full disk)\n"
         "  --poll-ms N            how often the notification page polls (default 5000)\n"
         "  --stay-ms N            how long a notification stays shown (default 8000)\n"
         "  --log                  print one line per request\n";
}

ServiceOptions ServiceOptions::Parse(const std::vector<std::string>& args) {
  ServiceOptions o;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (a == "--help" || a == "-h") {
      o.help = true;
      continue;
    }
    if (a == "--log") {
      o.logRequests = true;
      continue;
    }
    if (i + 1 >= args.size()) throw std::invalid_argument("unknown option or missing value: " + a);
    const std::string& v = args[++i];
    if (a == "--host")
      o.host = v;
    else if (a == "--app-port")
      o.appPort = static_cast<int>(Number(a, v, 0, 65535));
    else if (a == "--web-port")
      o.webPort = static_cast<int>(Number(a, v, 0, 65535));
    else if (a == "--db")
      o.dbPath = v;
    else if (a == "--download")
      o.downloadDir = v;
    else if (a == "--signing-key")
      o.signingKey = v;
    else if (a == "--sign")
      o.signFile = v;
    else if (a == "--pages")
      o.pagesDir = v;
    else if (a == "--threads")
      o.threads = static_cast<int>(Number(a, v, 1, 1024));
    else if (a == "--busy-timeout-ms")
      o.busyTimeoutMs = static_cast<int>(Number(a, v, 0, 600000));
    else if (a == "--max-db-pages")
      o.maxDbPages = Number(a, v, 0, 1LL << 31);
    else if (a == "--poll-ms")
      o.pollMs = static_cast<int>(Number(a, v, 50, 3600000));
    else if (a == "--stay-ms")
      o.stayMs = static_cast<int>(Number(a, v, 100, 600000));
    else
      throw std::invalid_argument("unknown option: " + a);
  }
  if (o.dbPath.empty()) throw std::invalid_argument("--db needs a file name");
  if (!o.signFile.empty() && o.signingKey.empty())
    throw std::invalid_argument("--sign needs --signing-key");
  return o;
}

std::string ServiceOptions::DownloadFolder() const {
  if (!downloadDir.empty()) return downloadDir;
  std::size_t slash = dbPath.rfind('/');
  return slash == std::string::npos ? std::string("Download")
                                    : dbPath.substr(0, slash + 1) + "Download";
}

}  // namespace zqs
