// zqsim: runs a scenario script against the client on the simulated desktop.
// Usage: zqsim [--root DIR] [--quiet] [--progress] [--no-chromium] SCRIPT
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

#include <unistd.h>

#include "platform/sim/sim_desktop.h"
#include "tools/zqsim/Scenario.h"
#include "tools/zqsim/Tour.h"

const char kUsage[] = "usage: zqsim [--root DIR] [--quiet] [--progress] [--no-chromium] SCRIPT\n";

int main(int argc, char** argv) {
  std::string root;
  std::string script;
  bool quiet = false;
  for (int i = 1; i < argc; ++i) {
    std::string a = argv[i];
    if (a == "--root" && i + 1 < argc) {
      root = argv[++i];
    } else if (a == "--quiet") {
      quiet = true;
    } else if (a == "--progress") {
      zq::sim::SetTourProgress(&std::cerr);  // chapters as they start, beside the output
    } else if (a == "--no-chromium") {
      zq::sim::SetPagePictures(false);
    } else if (!a.empty() && a[0] != '-') {
      script = a;
    } else {
      std::cerr << kUsage;
      return 2;
    }
  }
  if (script.empty()) {
    std::cerr << kUsage;
    return 2;
  }
  std::ifstream in(script);
  if (!in) {
    std::cerr << "zqsim: cannot read " << script << "\n";
    return 2;
  }
  std::vector<std::string> lines;
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  bool temporary = root.empty();
  if (temporary) {
    root = (std::filesystem::temp_directory_path() /
            ("zqsim-" + std::to_string(static_cast<long long>(::getpid()))))
               .string();
  }
  std::filesystem::remove_all(root);
  std::filesystem::create_directories(root);

  bool ok = false;
  {
    zq::sim::Desktop desktop(root);
    if (!quiet) desktop.traceSink = [](const std::string& l) { std::cout << l << "\n"; };
    // Nothing here reads the trace back; the newest lines stay for a look in a debugger.
    desktop.KeepTraceLines(1000);
    zq::sim::Scenario scenario(desktop, std::cout);
    desktop.Run([&] { ok = scenario.Run(lines); });
  }
  std::cout.flush();
  if (temporary) std::filesystem::remove_all(root);
  return ok ? 0 : 1;
}
