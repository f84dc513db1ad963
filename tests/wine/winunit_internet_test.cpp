// The Windows internet backend on the real system: HTTP replies with their status, length
// and redirect.
#include <winsock2.h>

#include <string>
#include <thread>

#include "controller/AutoUpdater.h"
#include "tests/wine/winunit_fixture.h"

namespace zq::win32::test {
namespace {

// A one-request HTTP server on the loopback interface that sends a canned reply.
class OneReplyServer {
 public:
  explicit OneReplyServer(std::string reply) : reply_(std::move(reply)) {
    WSADATA data;
    ::WSAStartup(MAKEWORD(2, 2), &data);
    listener_ = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in at{};
    at.sin_family = AF_INET;
    at.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::bind(listener_, reinterpret_cast<sockaddr*>(&at), sizeof at);
    int length = sizeof at;
    ::getsockname(listener_, reinterpret_cast<sockaddr*>(&at), &length);
    port_ = ntohs(at.sin_port);
    ::listen(listener_, 1);
    thread_ = std::thread([this] {
      SOCKET client = ::accept(listener_, nullptr, nullptr);
      if (client == INVALID_SOCKET) return;
      std::string request;
      char buffer[1024];
      while (request.find("\r\n\r\n") == std::string::npos) {
        int got = ::recv(client, buffer, sizeof buffer, 0);
        if (got <= 0) break;
        request.append(buffer, got);
      }
      ::send(client, reply_.data(), static_cast<int>(reply_.size()), 0);
      ::shutdown(client, SD_SEND);
      ::closesocket(client);
    });
  }
  ~OneReplyServer() {
    ::closesocket(listener_);
    thread_.join();
    ::WSACleanup();
  }
  std::wstring Address() const {
    return L"http://127.0.0.1:" + std::to_wstring(port_) + L"/Download/ZephquillClient.exe";
  }

 private:
  std::string reply_;
  SOCKET listener_ = INVALID_SOCKET;
  unsigned short port_ = 0;
  std::thread thread_;
};

std::string Reply(const char* status, const std::string& body) {
  return std::string("HTTP/1.1 ") + status + "\r\nContent-Length: " + std::to_string(body.size()) +
         "\r\nConnection: close\r\n\r\n" + body;
}

// An error status comes back with its length and body, as does a redirect (with its
// address) under kInternetNoAutoRedirect. (A whole reply in chunks: zqe2e's update tests.)
TEST_F(BackendTest, InternetReadsRepliesWithTheirStatusLengthAndRedirect) {
  const std::string elsewhere = "http://127.0.0.1:9/elsewhere.exe";
  const struct {
    std::string reply;
    unsigned flags, status;
    std::string body, location;
  } cases[] = {
      {Reply("404 Not Found", "missing"), 0, 404, "missing", ""},
      {"HTTP/1.1 302 Found\r\nLocation: " + elsewhere +
           "\r\nContent-Length: 0\r\nConnection: close\r\n\r\n",
       kInternetNoAutoRedirect, 302, "", elsewhere},
  };
  Internet& net = p->internet();
  InternetHandle session = net.Open(L"AutoUpdateAgent");
  ASSERT_NE(session, 0u);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.status);
    OneReplyServer server(c.reply);
    std::optional<std::wstring> address = net.Canonicalize(server.Address());
    ASSERT_TRUE(address.has_value());
    InternetHandle request = net.OpenUrl(session, *address, kInternetReloadFlags | c.flags);
    ASSERT_NE(request, 0u);
    EXPECT_EQ(net.StatusCode(request), c.status);
    EXPECT_EQ(net.ContentLength(request), std::optional<std::uint64_t>(c.body.size()));
    if (!c.location.empty()) {
      EXPECT_EQ(net.Location(request), std::wstring(c.location.begin(), c.location.end()));
    }
    std::string got;
    char buffer[4096];
    unsigned read = 0;
    while (net.Read(request, buffer, sizeof buffer, read) && read > 0) got.append(buffer, read);
    EXPECT_TRUE(got == c.body);
    net.Close(request);
  }
  net.Close(session);
}

}  // namespace
}  // namespace zq::win32::test
