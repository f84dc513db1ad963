// Commands for long runs: "browsers close-all" closes every fake browser window still open
// (the windows notification clicks opened included); "threads" prints live threads per process.
#include <map>
#include <ostream>
#include <string>
#include <vector>

#include "platform/sim/sim_browsers.h"
#include "platform/sim/sim_desktop.h"
#include "tools/zqsim/Scenario.h"

namespace zq::sim {
namespace {

// "threads.PID: N" for every process with live simulated threads.
void PrintThreads(Scenario& s) {
  std::map<std::uint32_t, int> live;
  for (std::uint32_t id : s.desktop().ThreadIds())
    if (SimThread* t = s.desktop().Thread(id))
      if (t->state != SimThread::State::Done && t->name != "runner") ++live[t->pid];
  for (auto& [pid, count] : live) s.out() << "threads." << pid << ": " << count << "\n";
}

bool SoakCommand(Scenario& s, const std::vector<std::string>& words, const std::string&, bool& ok) {
  if (words.size() == 1 && words[0] == "threads") {
    PrintThreads(s);
    ok = true;
    return true;
  }
  if (words.size() != 2 || words[0] != "browsers" || words[1] != "close-all") return false;
  SimBrowsers& browsers = Browsers(s.desktop());
  std::vector<std::string> names;
  for (const auto& b : browsers.All()) names.push_back(b->name);
  ok = true;
  for (const std::string& name : names) ok = browsers.Close(name) && ok;
  s.desktop().SleepMs(0);
  return true;
}

const int registered = RegisterScenarioExtension({SoakCommand, nullptr});

}  // namespace
}  // namespace zq::sim
