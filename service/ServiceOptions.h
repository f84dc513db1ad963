// The service's command-line options: where it listens, where its data and download
// folder are, and the few numbers worth changing for a test or a demonstration.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace zqs {

struct ServiceOptions {
  std::string host = "127.0.0.1";
  int appPort = 8701;  // the application host (Panel/ pages); 0 takes any free port
  int webPort = 8702;  // the public web host (Download/, about, contact); 0 likewise
  std::string dbPath = "zqservice.db";
  std::string downloadDir;  // empty: the folder "Download" beside the database
  std::string pagesDir;     // empty: the pages built into the executable
  std::string signingKey;   // PEM private key that signs Download/ files; empty: none
  std::string signFile;     // --sign: write this file's signature beside it and end
  int threads = 64;         // request workers per host
  int busyTimeoutMs = 3000;
  std::int64_t maxDbPages = 0;
  int pollMs = 5000;  // how often the notification page asks for news
  int stayMs = 8000;  // how long a notification stays in the popup
  bool logRequests = false;
  bool help = false;

  // Throws std::invalid_argument with a message naming the bad option.
  static ServiceOptions Parse(const std::vector<std::string>& args);
  static const char* Usage();

  std::string DownloadFolder() const;
};

}  // namespace zqs
