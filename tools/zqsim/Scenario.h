// The scenario runner: plays a script against the real client on the simulated desktop
// and prints a deterministic trace and dumps.
#pragma once
#include <iosfwd>
#include <string>
#include <vector>

namespace zq::sim {

class Desktop;

class Scenario {
 public:
  Scenario(Desktop& desktop, std::ostream& out);
  // Runs every line of the script; returns false (after printing why) on a bad line.
  bool Run(const std::vector<std::string>& lines);
  std::vector<std::string> Dump();

  static constexpr const char* ModulePath = "C:\\Program Files\\Zephquill\\ZephquillClient.exe";

 private:
  bool Step(const std::vector<std::string>& words, const std::string& line);
  std::uint32_t StartClient(const std::wstring& commandLine);
  std::uint32_t Target(const std::vector<std::string>& words, size_t at);
  std::string ConfigPath() const;

  Desktop& d_;
  std::ostream& out_;
  std::uint32_t lastPid_ = 0;
};

}  // namespace zq::sim
