// The HTTP server of each host: cpp-httplib's server, reading each request line so that
// a query with more than one "?" (the client's panel address with a site's own query in
// it) is answered instead of refused, with the request's original target kept.
#include "service/HttpServer.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <string>

namespace zqs {

namespace {

// Longest target kept as it came; longer lines are refused by the server anyway.
constexpr std::size_t kMaxTarget = 16384;

bool Ready(int sock, short events, time_t sec, time_t usec) {
  pollfd p{sock, events, 0};
  int ms = static_cast<int>(sec * 1000 + usec / 1000);
  int rc;
  do {
    rc = ::poll(&p, 1, ms);
  } while (rc < 0 && errno == EINTR);
  return rc > 0;
}

void AddressOf(const sockaddr_storage& addr, std::string& ip, int& port) {
  char text[INET6_ADDRSTRLEN] = "";
  if (addr.ss_family == AF_INET) {
    const auto* a = reinterpret_cast<const sockaddr_in*>(&addr);
    inet_ntop(AF_INET, &a->sin_addr, text, sizeof text);
    port = ntohs(a->sin_port);
  } else if (addr.ss_family == AF_INET6) {
    const auto* a = reinterpret_cast<const sockaddr_in6*>(&addr);
    inet_ntop(AF_INET6, &a->sin6_addr, text, sizeof text);
    port = ntohs(a->sin6_port);
  }
  ip = text;
}

// A socket stream that rewrites the request line of each request as it is read (see
// HttpServer) and passes everything else through unchanged.
class RequestLineStream : public httplib::Stream {
 public:
  RequestLineStream(int sock, time_t readSec, time_t readUsec, time_t writeSec, time_t writeUsec)
      : sock_(sock),
        readSec_(readSec),
        readUsec_(readUsec),
        writeSec_(writeSec),
        writeUsec_(writeUsec) {}

  // The next bytes begin a request line.
  void StartRequest() {
    inLine_ = true;
    spaces_ = 0;
    sawQuery_ = false;
    target_.clear();
  }
  const std::string& target() const { return target_; }

  // Waits up to `sec` for the next request, ending early when `running` turns false.
  template <typename Running>
  bool WaitForRequest(time_t sec, Running running) {
    if (pos_ < buf_.size()) return true;
    auto end = std::chrono::steady_clock::now() + std::chrono::seconds(sec);
    while (running()) {
      if (Ready(sock_, POLLIN, 0, 50000)) return true;
      if (std::chrono::steady_clock::now() > end) return false;
    }
    return false;
  }

  bool is_readable() const override {
    return pos_ < buf_.size() || outPos_ < out_.size() || Ready(sock_, POLLIN, readSec_, readUsec_);
  }
  bool is_writable() const override { return Ready(sock_, POLLOUT, writeSec_, writeUsec_); }

  ssize_t read(char* ptr, size_t size) override {
    if (size == 0) return 0;
    if (outPos_ < out_.size()) return TakeOut(ptr, size);
    if (pos_ >= buf_.size() && !Fill()) return fillResult_;
    if (!inLine_) {
      size_t n = std::min(size, buf_.size() - pos_);
      buf_.copy(ptr, n, pos_);
      pos_ += n;
      return static_cast<ssize_t>(n);
    }
    // The request line, a byte at a time (the server reads it that way too).
    char c = buf_[pos_++];
    out_.clear();
    outPos_ = 0;
    if (c == ' ') ++spaces_;
    if (spaces_ == 1 && c != ' ' && target_.size() < kMaxTarget) target_ += c;
    if (c == '?' && spaces_ == 1 && sawQuery_)
      out_ = "%3F";
    else
      out_.assign(1, c);
    if (c == '?' && spaces_ == 1) sawQuery_ = true;
    if (c == '\n') inLine_ = false;
    return TakeOut(ptr, size);
  }

  ssize_t write(const char* ptr, size_t size) override {
    if (!is_writable()) return -1;
    return ::send(sock_, ptr, size, MSG_NOSIGNAL);
  }

  void get_remote_ip_and_port(std::string& ip, int& port) const override {
    sockaddr_storage addr{};
    socklen_t len = sizeof addr;
    if (::getpeername(sock_, reinterpret_cast<sockaddr*>(&addr), &len) == 0)
      AddressOf(addr, ip, port);
  }
  void get_local_ip_and_port(std::string& ip, int& port) const override {
    sockaddr_storage addr{};
    socklen_t len = sizeof addr;
    if (::getsockname(sock_, reinterpret_cast<sockaddr*>(&addr), &len) == 0)
      AddressOf(addr, ip, port);
  }
  socket_t socket() const override { return sock_; }

 private:
  ssize_t TakeOut(char* ptr, size_t size) {
    size_t n = std::min(size, out_.size() - outPos_);
    out_.copy(ptr, n, outPos_);
    outPos_ += n;
    return static_cast<ssize_t>(n);
  }

  // Reads what the socket has into the buffer; false (with the result to return) when
  // nothing came in time or the peer closed.
  bool Fill() {
    if (!Ready(sock_, POLLIN, readSec_, readUsec_)) {
      fillResult_ = -1;
      return false;
    }
    char chunk[4096];
    ssize_t n;
    do {
      n = ::recv(sock_, chunk, sizeof chunk, 0);
    } while (n < 0 && errno == EINTR);
    if (n <= 0) {
      fillResult_ = n;
      return false;
    }
    buf_.assign(chunk, static_cast<size_t>(n));
    pos_ = 0;
    return true;
  }

  int sock_;
  time_t readSec_, readUsec_, writeSec_, writeUsec_;
  std::string buf_;
  size_t pos_ = 0;
  std::string out_;
  size_t outPos_ = 0;
  ssize_t fillResult_ = 0;
  bool inLine_ = true;
  int spaces_ = 0;
  bool sawQuery_ = false;
  std::string target_;
};

}  // namespace

void HttpServer::SetBacklog(int backlog) {
  // Listening again on a listening socket only changes its backlog.
  socket_t sock = svr_sock_;
  if (sock != INVALID_SOCKET) ::listen(sock, backlog);
}

bool HttpServer::process_and_close_socket(socket_t sock) {
  // An answer goes out as headers and body in two writes; without this the body would
  // wait for the acknowledgement of the headers, which the peer delays (some 40 ms).
  int yes = 1;
  ::setsockopt(sock, IPPROTO_TCP, TCP_NODELAY, &yes, sizeof yes);
  RequestLineStream strm(sock, read_timeout_sec_, read_timeout_usec_, write_timeout_sec_,
                         write_timeout_usec_);
  bool ok = false;
  size_t left = keep_alive_max_count_;
  while (left > 0 &&
         strm.WaitForRequest(keep_alive_timeout_sec_, [this] { return is_running(); })) {
    strm.StartRequest();
    bool closed = false;
    ok = process_request(strm, left == 1, closed,
                         [&strm](httplib::Request& req) { req.target = strm.target(); });
    if (!ok || closed) break;
    --left;
  }
  ::shutdown(sock, SHUT_RDWR);
  ::close(sock);
  return ok;
}

}  // namespace zqs
