// The client's observable state as "key: value" lines, for the scenario runner's dump.
#pragma once
#include <string>
#include <vector>

namespace zq {

// Lines for the calling thread's process; empty when the client has no state there.
std::vector<std::string> DumpClientState();

}  // namespace zq
