// The dynamic-data-exchange seam: one client request to a server, bounded by a time-out.
#pragma once
#include <optional>
#include <string>

namespace zq {

class Dde {
 public:
  virtual ~Dde() = default;
  // One conversation per request: connect to service/topic, request `item` as text,
  // disconnect. Nothing when there is no such server or no answer within timeoutMs.
  virtual std::optional<std::string> Request(const std::wstring& service,
                                             const std::wstring& topic,
                                             const std::wstring& item, unsigned timeoutMs) = 0;
};

}  // namespace zq
