// The simulated internet functions: requests answered by the desktop's network, read in
// chunks, with announced lengths and connections that drop part-way.
#include "platform/sim/sim_internet.h"

#include <algorithm>

#include "app/Text.h"
#include "platform/sim/sim_desktop.h"
#include "platform/sim/sim_network.h"

namespace zq::sim {

SimDownloadQuirks SimInternet::QuirksOf(const std::wstring& address) const {
  std::wstring lower = ToLower(address);
  const SimDownloadQuirks* best = nullptr;
  std::size_t bestLength = 0;
  for (auto& [prefix, q] : quirks) {
    std::wstring p = ToLower(prefix);
    if (lower.compare(0, p.size(), p) == 0 && (!best || p.size() >= bestLength)) {
      best = &q;
      bestLength = p.size();
    }
  }
  return best ? *best : SimDownloadQuirks{};
}

SimInternet& InternetOf(Desktop& desktop) {
  if (!desktop.internetState) desktop.internetState = std::make_shared<SimInternet>();
  return *desktop.internetState;
}

std::string FakeImage(std::uint16_t machine, std::size_t size) {
  std::string image(std::max<std::size_t>(size, 0x100), '\0');
  image[0] = 'M';
  image[1] = 'Z';
  image[0x3C] = '\x80';
  image.replace(0x80, 4, std::string("PE\0\0", 4));
  image[0x84] = static_cast<char>(machine & 0xFF);
  image[0x85] = static_cast<char>(machine >> 8);
  return image;
}

std::optional<std::uint16_t> ImageMachineOf(const std::string& bytes) {
  auto byte = [&](std::size_t i) { return static_cast<unsigned char>(bytes[i]); };
  if (bytes.size() < 0x40 || bytes[0] != 'M' || bytes[1] != 'Z') return std::nullopt;
  std::size_t pe =
      byte(0x3C) | byte(0x3D) << 8 | byte(0x3E) << 16 | static_cast<std::size_t>(byte(0x3F)) << 24;
  if (pe > bytes.size() || bytes.size() - pe < 6 || bytes.compare(pe, 4, std::string("PE\0\0", 4)))
    return std::nullopt;
  return static_cast<std::uint16_t>(byte(pe + 4) | byte(pe + 5) << 8);
}

namespace {

class SimInternetSeam : public Internet {
 public:
  SimInternetSeam(Desktop& d, SimProcess& p) : d_(d), p_(p) {}

  InternetHandle Open(const std::wstring& agent) override {
    InternetHandle h = next_++;
    sessions_.push_back(h);
    return h;
  }
  bool ConnectedState() override { return InternetOf(d_).connected && d_.network().up; }
  std::optional<std::wstring> Canonicalize(const std::wstring& address) override {
    if (address.empty() || address.size() >= 1024) return std::nullopt;
    std::wstring out;
    for (wchar_t c : address) out += c == L' ' ? std::wstring(L"%20") : std::wstring(1, c);
    return out;
  }
  // A request the network leaves unanswered fails as a time-out would.
  InternetHandle OpenUrl(InternetHandle session, const std::wstring& address,
                         unsigned flags) override {
    bool known = std::find(sessions_.begin(), sessions_.end(), session) != sessions_.end();
    std::wstring at = address;
    SimDownloadQuirks quirks = InternetOf(d_).QuirksOf(at);
    for (int hop = 0; quirks.redirectTo && !(flags & kInternetNoAutoRedirect) && hop < 10; ++hop) {
      Trace("follows the redirect of " + ToUtf8(at) + " to " + ToUtf8(*quirks.redirectTo));
      at = *quirks.redirectTo;
      quirks = InternetOf(d_).QuirksOf(at);
    }
    NetAnswer answer = d_.network().Fetch(at);
    if (!known || answer.kind != NetAnswer::Kind::Answered) {
      Trace("cannot open " + ToUtf8(at));
      return 0;
    }
    InternetHandle h = next_++;
    Request& r = requests_[h];
    r.status = quirks.redirectTo ? 302u : static_cast<unsigned>(answer.status);
    r.quirks = quirks;
    r.body = r.quirks.body ? *r.quirks.body : std::move(answer.body);
    Trace("opens " + ToUtf8(at) + ": status " + std::to_string(r.status) + ", " +
          std::to_string(r.body.size()) + " bytes");
    return h;
  }
  bool Read(InternetHandle request, char* buffer, unsigned size, unsigned& read) override {
    read = 0;
    auto it = requests_.find(request);
    if (it == requests_.end()) return false;
    Request& r = it->second;
    std::size_t end = r.body.size();
    if (r.quirks.cutAfter && *r.quirks.cutAfter < end) end = *r.quirks.cutAfter;
    if (r.pos >= end && end < r.body.size()) {
      Trace("loses the connection after " + std::to_string(r.pos) + " bytes");
      return false;
    }
    read = static_cast<unsigned>(std::min<std::size_t>(size, end - r.pos));
    std::copy_n(r.body.data() + r.pos, read, buffer);
    r.pos += read;
    return true;
  }
  unsigned StatusCode(InternetHandle request) override {
    auto it = requests_.find(request);
    return it == requests_.end() ? 0 : it->second.status;
  }
  std::optional<std::uint64_t> ContentLength(InternetHandle request) override {
    auto it = requests_.find(request);
    if (it == requests_.end() || !it->second.quirks.announces) return std::nullopt;
    return it->second.quirks.announced.value_or(it->second.body.size());
  }
  std::optional<std::wstring> Location(InternetHandle request) override {
    auto it = requests_.find(request);
    if (it == requests_.end()) return std::nullopt;
    return it->second.quirks.redirectTo;
  }
  void Close(InternetHandle handle) override {
    requests_.erase(handle);
    sessions_.erase(std::remove(sessions_.begin(), sessions_.end(), handle), sessions_.end());
  }

 private:
  struct Request {
    unsigned status = 0;
    std::string body;
    SimDownloadQuirks quirks;
    std::size_t pos = 0;
  };
  void Trace(const std::string& what) {
    d_.Trace("process " + std::to_string(p_.pid()) + " internet: " + what);
  }
  Desktop& d_;
  SimProcess& p_;
  InternetHandle next_ = 0xCC0001;
  std::vector<InternetHandle> sessions_;
  std::map<InternetHandle, Request> requests_;
};

}  // namespace

std::unique_ptr<Internet> NewSimInternet(Desktop& desktop, SimProcess& process) {
  return std::make_unique<SimInternetSeam>(desktop, process);
}

}  // namespace zq::sim
