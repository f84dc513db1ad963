// The simulated desktop's internet functions: requests answered by the desktop's network,
// with the connection state and the download quirks a scenario sets.
#pragma once
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/internet.h"

namespace zq::sim {

class Desktop;
class SimProcess;

// What a download brings beyond the network's answer: its own bytes (an executable image,
// kept out of the network's dump), the length it announces and where the connection
// drops. Whether an address answers, and its status, come from the network.
struct SimDownloadQuirks {
  // Replaces the network's body when set.
  std::optional<std::string> body;
  // Content-Length; none: the body's own length.
  std::optional<std::uint64_t> announced;
  bool announces = true;  // false: the reply announces no length at all
  // The connection drops (the read fails) after this many bytes of the body.
  std::optional<std::size_t> cutAfter;
  // The reply is a redirect (status 302) to this address. Without kInternetNoAutoRedirect
  // the request follows it wherever it points, as WinINet does, up to 10 times.
  std::optional<std::wstring> redirectTo;
};

// Desktop-wide: touched only by the simulated thread that holds the turn.
class SimInternet {
 public:
  // InternetGetConnectedState; the network being down also means no connection.
  bool connected = true;
  // Quirks by address prefix, matched without regard to case; the longest prefix wins.
  std::map<std::wstring, SimDownloadQuirks> quirks;
  SimDownloadQuirks QuirksOf(const std::wstring& address) const;
};

// The desktop's internet, created on first use.
SimInternet& InternetOf(Desktop& desktop);
// The seam for one simulated process.
std::unique_ptr<Internet> NewSimInternet(Desktop& desktop, SimProcess& process);
// A stand-in executable image of `size` bytes (at least 0x100): "MZ", the header offset at
// 0x3C, and "PE\0\0" with the machine type at 0x80.
std::string FakeImage(std::uint16_t machine, std::size_t size);
// The machine type in an image's header; nothing when it is no executable image.
std::optional<std::uint16_t> ImageMachineOf(const std::string& bytes);

}  // namespace zq::sim
