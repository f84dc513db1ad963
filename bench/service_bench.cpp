// Benchmarks of the reference service's connections on loopback: many connections opened at
// the same moment, and answers on a kept-alive connection against one connection per answer.
#include <arpa/inet.h>
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <httplib.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "service/Service.h"

namespace {

constexpr char kCheckPage[] = "/Panel/ConnectionAliveStaticCheck.htm";

// A service of its own on a free port, with its database in a fresh temporary folder.
class BenchService {
 public:
  BenchService() {
    std::string pattern =
        (std::filesystem::temp_directory_path() / "zqservice-bench-XXXXXX").string();
    if (!mkdtemp(pattern.data())) std::abort();
    dir_ = pattern;
    zqs::ServiceOptions options;
    options.appPort = 0;
    options.webPort = 0;
    options.dbPath = (dir_ / "zq.db").string();
    service_ = std::make_unique<zqs::Service>(options);
    service_->Start();
  }
  ~BenchService() {
    service_.reset();
    std::error_code ignored;
    std::filesystem::remove_all(dir_, ignored);
  }
  int port() const { return service_->appPort(); }

 private:
  std::filesystem::path dir_;
  std::unique_ptr<zqs::Service> service_;
};

// N connections opened at the same moment, as a load test or many browsers do, until the
// last is taken. A listen queue too short for them drops the requests it has no room for,
// and the peer tries again only a second later: the figure then jumps from about a
// millisecond to more than a second.
void BM_ServiceConnectionsAtOnce(benchmark::State& state) {
  BenchService service;
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_port = htons(static_cast<std::uint16_t>(service.port()));
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  const int count = static_cast<int>(state.range(0));
  for (auto _ : state) {
    std::vector<pollfd> sockets;
    for (int i = 0; i < count; ++i) {
      int fd = socket(AF_INET, SOCK_STREAM, 0);
      fcntl(fd, F_SETFL, O_NONBLOCK);
      connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
      sockets.push_back(pollfd{fd, POLLOUT, 0});
    }
    // Bounded: a connection not taken within ten seconds ends the benchmark.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    int connected = 0;
    while (connected < count && std::chrono::steady_clock::now() < deadline) {
      poll(sockets.data(), sockets.size(), 10);
      connected = 0;
      for (pollfd& p : sockets) connected += (p.revents & POLLOUT) ? 1 : 0;
    }
    // Reset rather than closed, so that no port waits in TIME_WAIT between iterations.
    const linger reset{1, 0};
    for (pollfd& p : sockets) {
      setsockopt(p.fd, SOL_SOCKET, SO_LINGER, &reset, sizeof reset);
      close(p.fd);
    }
    if (connected < count) {
      state.SkipWithError("connections were not taken within ten seconds");
      break;
    }
  }
}
BENCHMARK(BM_ServiceConnectionsAtOnce)->Arg(1)->Arg(50)->Iterations(40)->UseRealTime();

// One answer of the check page on a connection kept alive across answers. An answer written
// as headers and then body must not wait for the peer's delayed acknowledgement (about 40 ms
// each time), which would make this far slower than a new connection per answer.
void BM_ServiceAnswerKeptAlive(benchmark::State& state) {
  BenchService service;
  httplib::Client client("127.0.0.1", service.port());
  client.set_keep_alive(true);
  for (auto _ : state) {
    auto res = client.Get(kCheckPage);
    if (!res || res->status != 200) {
      state.SkipWithError("the check page did not answer");
      break;
    }
  }
}
BENCHMARK(BM_ServiceAnswerKeptAlive)->UseRealTime();

// The reference: the same answer on a new connection each time.
void BM_ServiceAnswerNewConnection(benchmark::State& state) {
  BenchService service;
  for (auto _ : state) {
    httplib::Client client("127.0.0.1", service.port());
    auto res = client.Get(kCheckPage);
    if (!res || res->status != 200) {
      state.SkipWithError("the check page did not answer");
      break;
    }
  }
}
BENCHMARK(BM_ServiceAnswerNewConnection)->Iterations(2000)->UseRealTime();

}  // namespace
