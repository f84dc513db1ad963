// zqservice: starts the reference service on its two ports, prints their addresses, and
// stops cleanly on SIGINT or SIGTERM once the requests under way are answered.
#include <pthread.h>

#include <csignal>
#include <cstdio>
#include <exception>
#include <string>
#include <vector>

#include "service/Service.h"
#include "service/UpdateSigner.h"

int main(int argc, char** argv) {
  zqs::ServiceOptions options;
  try {
    options = zqs::ServiceOptions::Parse(std::vector<std::string>(argv + 1, argv + argc));
  } catch (const std::exception& e) {
    std::fprintf(stderr, "zqservice: %s\n%s", e.what(), zqs::ServiceOptions::Usage());
    return 2;
  }
  if (options.help) {
    std::fputs(zqs::ServiceOptions::Usage(), stdout);
    return 0;
  }
  if (!options.signFile.empty()) return zqs::SignOneFile(options.signingKey, options.signFile);

  // The signals are taken by this thread alone, with sigwait, so that no worker is
  // interrupted halfway through a request; every thread started later inherits the mask.
  sigset_t stopSignals;
  sigemptyset(&stopSignals);
  sigaddset(&stopSignals, SIGINT);
  sigaddset(&stopSignals, SIGTERM);
  pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);
  std::signal(SIGPIPE, SIG_IGN);

  try {
    zqs::Service service(options);
    service.Start();
    std::printf("zqservice: database %s (schema %d)\n", options.dbPath.c_str(),
                service.storage().SchemaVersion());
    std::printf("zqservice: downloads from %s\n", options.DownloadFolder().c_str());
    if (!options.signingKey.empty())
      std::printf("zqservice: signs downloads with %s\n", options.signingKey.c_str());
    std::printf("Application host: %s\n", service.AppAddress().c_str());
    std::printf("Public web host: %s\n", service.WebAddress().c_str());
    std::fflush(stdout);

    int signal = 0;
    sigwait(&stopSignals, &signal);
    std::printf("zqservice: %s, stopping\n", signal == SIGINT ? "SIGINT" : "SIGTERM");
    std::fflush(stdout);
    service.Stop();
    std::printf("zqservice: stopped\n");
    return 0;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "zqservice: %s\n", e.what());
    return 1;
  }
}
