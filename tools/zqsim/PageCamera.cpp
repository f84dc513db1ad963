// Runs headless Chromium, bounded in time, in a fresh profile and a process group of its own,
// so that a page that never finishes loading or a browser that hangs cannot stop the tour.
#include "tools/zqsim/PageCamera.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <thread>
#include <vector>

namespace zq::sim {

namespace {

namespace fs = std::filesystem;

// Pages that keep loading (the service's pages navigate to command addresses) are stopped
// after this and pictured as they are; a browser still running after the bound is killed.
constexpr int kPageStopMs = 1000;
constexpr int kRunBoundMs = 20000;

// Waits for `pid` up to the bound; kills its whole group when it is over or the browser has
// left helpers behind. True when it ended by itself with status 0.
bool WaitBounded(pid_t pid) {
  int status = 0;
  bool ended = false;
  for (int waited = 0; waited < kRunBoundMs; waited += 20) {
    if (::waitpid(pid, &status, WNOHANG) == pid) {
      ended = true;
      break;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  ::kill(-pid, SIGKILL);
  if (!ended) ::waitpid(pid, &status, 0);
  return ended && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

}  // namespace

ChromiumCamera::ChromiumCamera(std::string binary) : binary_(std::move(binary)) {
  if (binary_.empty()) {
    const char* given = std::getenv("ZQ_CHROMIUM");
    binary_ = given && *given ? given : "/usr/bin/chromium";
  }
}

bool ChromiumCamera::Available() const { return ::access(binary_.c_str(), X_OK) == 0; }

std::optional<std::string> ChromiumCamera::Shot(const std::string& url, int width, int height,
                                                const std::string& loadFrom) {
  const auto key = std::make_tuple(url, width, height);
  auto known = shots_.find(key);
  if (known != shots_.end()) return known->second;
  if (loadFrom.empty() || !Available()) return std::nullopt;
  std::optional<std::string> png = Run(loadFrom, width, height);
  if (png) shots_[key] = *png;
  return png;
}

std::optional<std::string> ChromiumCamera::ShotOfFile(const std::string& path, int width,
                                                      int height) {
  std::ifstream in(path, std::ios::binary);
  const std::string content((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  std::error_code ec;
  fs::path absolute = fs::absolute(path, ec);
  if (ec || content.empty()) return std::nullopt;
  // A file just like one pictured before (a desktop where nothing changed) is not run again.
  const std::string key = "file with content " + std::to_string(std::hash<std::string>()(content)) +
                          " of " + std::to_string(content.size()) + " bytes";
  return Shot(key, width, height, "file://" + absolute.string());
}

std::optional<std::string> ChromiumCamera::Run(const std::string& address, int width, int height) {
  if (width <= 0 || height <= 0) return std::nullopt;
  std::string dir = (fs::temp_directory_path() / "zqshot-XXXXXX").string();
  if (!::mkdtemp(dir.data())) return std::nullopt;
  const std::string shot = dir + "/shot.png";
  std::vector<std::string> args = {
      binary_,
      "--headless",
      "--no-sandbox",
      "--disable-gpu",
      "--disable-quic",
      "--no-first-run",
      "--disable-background-networking",
      "--disable-component-update",
      "--disable-sync",
      "--hide-scrollbars",
      "--user-data-dir=" + dir + "/profile",
      "--timeout=" + std::to_string(kPageStopMs),
      "--screenshot=" + shot,
      "--window-size=" + std::to_string(width) + "," + std::to_string(height),
      address};
  std::vector<char*> argv;
  argv.reserve(args.size() + 1);
  for (std::string& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  ++runs_;
  const pid_t pid = ::fork();
  if (pid == 0) {
    ::setpgid(0, 0);
    ::prctl(PR_SET_PDEATHSIG, SIGKILL);
    int null = ::open("/dev/null", O_RDWR);
    if (null >= 0) {
      ::dup2(null, 0);
      ::dup2(null, 1);
      ::dup2(null, 2);
    }
    ::execv(argv[0], argv.data());
    ::_exit(127);
  }
  std::optional<std::string> png;
  if (pid > 0) {
    ::setpgid(pid, pid);  // either side may get there first
    const bool ok = WaitBounded(pid);
    std::ifstream in(shot, std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (ok && bytes.size() > 8 && bytes.compare(1, 3, "PNG") == 0) png = std::move(bytes);
  }
  std::error_code ec;
  fs::remove_all(dir, ec);
  return png;
}

}  // namespace zq::sim
