// The scenario runner: plays a script against the real client on the simulated desktop
// and prints a deterministic trace and dumps.
#pragma once
#include <cstdint>
#include <iosfwd>
#include <string>
#include <vector>

namespace zq::sim {

class Desktop;

class Scenario;
struct SimWebControlRecord;

// Further commands and dump lines, registered by the files that add them (one file per
// area, so that areas do not share a file). A command handler returns false when the line
// is not its own; it throws or writes "error" through `out` when the line is malformed.
struct ScenarioExtension {
  // Returns true when it took the line (and then sets ok to whether it ran).
  bool (*command)(Scenario& scenario, const std::vector<std::string>& words,
                  const std::string& line, bool& ok) = nullptr;
  void (*dump)(Scenario& scenario, std::vector<std::string>& lines) = nullptr;
};
// Registers an extension at static-initialisation time; returns a dummy for a static.
int RegisterScenarioExtension(ScenarioExtension extension);

class Scenario {
 public:
  Scenario(Desktop& desktop, std::ostream& out);
  // Runs every line of the script; returns false (after printing why) on a bad line.
  bool Run(const std::vector<std::string>& lines);
  std::vector<std::string> Dump();

  Desktop& desktop() { return d_; }
  std::ostream& out() { return out_; }
  // The process a command means: the pid at words[at], or the newest one still running.
  std::uint32_t Target(const std::vector<std::string>& words, size_t at);
  // Everything after the first `words` words of the line.
  static std::string RestAfter(const std::string& line, size_t words);
  // A number, or the client's name for it (ID_APP_EXIT, TRAY_ACTION_CHANGE_ICON, ...).
  static unsigned Number(const std::string& word);

  static constexpr const char* ModulePath = "C:\\Program Files\\Zephquill\\ZephquillClient.exe";

 private:
  bool Step(const std::vector<std::string>& words, const std::string& line);
  // The parts of Step: the configuration file, the desktop's answers, and messages to a
  // running client's controller window.
  bool StepConfig(const std::string& cmd, const std::string& line);
  bool StepDesktopAnswer(const std::vector<std::string>& words, bool& ok);
  bool StepController(const std::vector<std::string>& words);
  bool StepDump(const std::vector<std::string>& words, const std::string& line);
  std::uint32_t StartClient(const std::wstring& commandLine);
  std::string ConfigPath() const;

  Desktop& d_;
  std::ostream& out_;
  std::uint32_t lastPid_ = 0;
  std::string failure_;  // why the line that failed failed, when more than "cannot run"
};

// The web control of the newest client's notification window; null without one.
SimWebControlRecord* NotificationPage(Scenario& s);
// The page navigates to the command address of one word (a load still pending is finished
// first, so that the page is a document allowed to give commands); false when refused.
bool PlayCommandWord(Scenario& s, SimWebControlRecord& page, const std::string& word,
                     const std::string& argument);

}  // namespace zq::sim
