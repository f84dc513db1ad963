// One simulated process's view of the seam: clock, threads and locks, processes, named
// mutexes and system texts, all backed by the Desktop; the other seams have files of their own.
#include <algorithm>
#include <ctime>
#include <filesystem>
#include <fstream>

#include "app/SystemTexts.h"
#include "app/Text.h"
#include "platform/sim/sim_accessibility.h"
#include "platform/sim/sim_browsers.h"
#include "platform/sim/sim_desktop.h"
#include "platform/sim/sim_ie_app.h"
#include "platform/sim/sim_internet.h"
#include "platform/sim/sim_profile.h"
#include "platform/sim/sim_registry.h"
#include "platform/sim/sim_web_control.h"
#include "platform/sim/sim_window.h"
#include "platform/sim/sim_window_events.h"

namespace zq::sim {

namespace {

// Days since 1970-01-01 to a civil date (proleptic Gregorian).
void CivilFromDays(std::int64_t z, int& y, int& m, int& d) {
  z += 719468;
  std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  unsigned doe = static_cast<unsigned>(z - era * 146097);
  unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  std::int64_t yy = static_cast<std::int64_t>(yoe) + era * 400;
  unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  unsigned mp = (5 * doy + 2) / 153;
  d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  y = static_cast<int>(yy + (m <= 2 ? 1 : 0));
}

class SimClock : public Clock {
 public:
  explicit SimClock(Desktop& d) : d_(d) {}
  std::int64_t Now() override { return d_.Epoch() + static_cast<std::int64_t>(d_.NowMs() / 1000); }
  LocalTime Local() override {
    std::int64_t t = Now();
    std::int64_t days = t >= 0 ? t / 86400 : (t - 86399) / 86400;
    std::int64_t secs = t - days * 86400;
    LocalTime lt;
    CivilFromDays(days, lt.year, lt.month, lt.day);
    lt.hour = static_cast<int>(secs / 3600);
    lt.minute = static_cast<int>(secs / 60 % 60);
    lt.second = static_cast<int>(secs % 60);
    lt.dayOfWeek = static_cast<int>(((days % 7) + 11) % 7);  // 1970-01-01 was a Thursday
    return lt;
  }
  std::uint64_t TickMs() override { return d_.NowMs(); }
  void Sleep(unsigned ms) override { d_.SleepMs(ms); }

 private:
  Desktop& d_;
};

// A critical section: recursive for its owner; waiting hands the turn to other threads.
class SimLock : public Lock {
 public:
  explicit SimLock(Desktop& d) : d_(d) {}
  void Enter() override {
    std::uint32_t me = d_.Current().id;
    while (owner_ != 0 && owner_ != me) {
      if (d_.Dying()) return;
      d_.Block([this] { return owner_ == 0; }, kNever);
    }
    owner_ = me;
    ++count_;
  }
  void Leave() override {
    if (owner_ != d_.Current().id || count_ == 0) return;
    if (--count_ == 0) owner_ = 0;
  }

 private:
  Desktop& d_;
  std::uint32_t owner_ = 0;
  int count_ = 0;
};

class SimThreads : public Threads {
 public:
  SimThreads(Desktop& d, SimProcess& p) : d_(d), p_(p) {}
  bool Start(std::function<void()> body) override {
    if (p_.ending) return false;
    SimProcess* proc = &p_;
    d_.StartThread(
        p_.pid(),
        [proc, body = std::move(body)] {
          BindThread(proc);
          body();
        },
        "worker");
    return true;
  }
  std::unique_ptr<Lock> NewLock() override { return std::make_unique<SimLock>(d_); }
  std::uint32_t CurrentThreadId() override { return d_.Current().id; }

 private:
  Desktop& d_;
  SimProcess& p_;
};

std::wstring FileStem(const std::wstring& path) {
  size_t slash = path.find_last_of(L"\\/");
  std::wstring name = slash == std::wstring::npos ? path : path.substr(slash + 1);
  size_t dot = name.rfind(L'.');
  return dot == std::wstring::npos ? name : name.substr(0, dot);
}

class SimProcesses : public Processes {
 public:
  SimProcesses(Desktop& d, SimProcess& p) : d_(d), p_(p) {}
  std::wstring CommandLine() override { return p_.CommandLine(); }
  std::wstring ModulePath() override { return p_.ModulePath(); }
  std::wstring ShortPath(const std::wstring& path) override { return path; }
  bool IsElevated() override { return d_.elevated; }
  std::wstring TempPath() override {
    // The system's temporary directory always exists.
    std::error_code ec;
    std::filesystem::create_directories(d_.HostPath(L"C:\\Temp"), ec);
    return L"C:\\Temp\\";
  }
  bool CreateProcess(const std::wstring& commandLine) override {
    d_.processStarts.push_back({p_.pid(), commandLine, "CreateProcess"});
    d_.Trace("process " + std::to_string(p_.pid()) + " runs CreateProcess: " + ToUtf8(commandLine));
    // Like CreateProcessW, false when no program starts (a missing executable).
    return d_.launcher && d_.launcher(p_.pid(), commandLine);
  }
  unsigned WinExec(const std::string& commandLine, int show) override {
    d_.processStarts.push_back({p_.pid(), FromUtf8(commandLine), "WinExec"});
    d_.Trace("process " + std::to_string(p_.pid()) + " runs WinExec: " + commandLine);
    const std::string tskill = "tskill ";
    if (commandLine.compare(0, tskill.size(), tskill) == 0) {
      // tskill ends every process of that image name; the caller is spared here.
      std::wstring name = FromUtf8(commandLine.substr(tskill.size()));
      for (std::uint32_t pid : d_.ProcessIds()) {
        SimProcess* other = d_.Process(pid);
        if (pid != p_.pid() && other && !other->ending &&
            EqualsNoCase(FileStem(other->ModulePath()), name))
          d_.EndProcess(pid, 1);
      }
    } else if (d_.launcher) {
      d_.launcher(p_.pid(), FromUtf8(commandLine));
    }
    return 33;
  }
  // Like MoveFileExW: the target must not exist unless flag 1 (replace existing) is given;
  // the desktop can make the next moves onto a path fail.
  bool MoveFile(const std::wstring& from, const std::wstring& to, unsigned flags) override {
    namespace fs = std::filesystem;
    std::error_code ec;
    bool ok = fs::is_regular_file(d_.HostPath(from), ec) &&
              ((flags & 1) || !fs::exists(d_.HostPath(to), ec));
    auto refused = d_.failMovesTo.find(ToLower(to));
    if (ok && refused != d_.failMovesTo.end() && refused->second > 0) {
      if (--refused->second == 0) d_.failMovesTo.erase(refused);
      ok = false;
    }
    if (ok) {
      fs::rename(d_.HostPath(from), d_.HostPath(to), ec);
      ok = !ec;
    }
    d_.Trace("process " + std::to_string(p_.pid()) + " moves " + ToUtf8(from) + " to " +
             ToUtf8(to) + (ok ? "" : " (failed)"));
    return ok;
  }
  bool DeleteFile(const std::wstring& path) override {
    std::error_code ec;
    return std::filesystem::remove(d_.HostPath(path), ec);
  }
  std::uintptr_t CreateNewFile(const std::wstring& path) override {
    auto file =
        std::make_unique<std::ofstream>(d_.HostPath(path), std::ios::binary | std::ios::trunc);
    if (!*file) return 0;
    std::uintptr_t h = nextFile_++;
    files_[h] = std::move(file);
    return h;
  }
  unsigned WriteToFile(std::uintptr_t file, const char* data, unsigned size) override {
    auto it = files_.find(file);
    if (it == files_.end()) return 0;
    it->second->write(data, size);
    return *it->second ? size : 0;
  }
  void CloseFile(std::uintptr_t file) override { files_.erase(file); }
  std::uint16_t ModuleMachine() override { return d_.imageMachine; }
  [[noreturn]] void ExitProcess(int code) override {
    if (!p_.exitCode) p_.exitCode = code;
    d_.Trace("process " + std::to_string(p_.pid()) + " calls ExitProcess(" + std::to_string(code) +
             ")");
    d_.EndProcess(p_.pid(), *p_.exitCode);
    throw ProcessExit{*p_.exitCode};
  }

 private:
  Desktop& d_;
  SimProcess& p_;
  std::map<std::uintptr_t, std::unique_ptr<std::ofstream>> files_;
  std::uintptr_t nextFile_ = 0xF0001;
};

class SimMutexes : public Mutexes {
 public:
  SimMutexes(Desktop& d, SimProcess& p) : d_(d), p_(p) {}
  MutexHandle Create(const std::wstring& name, bool& alreadyExisted) override {
    std::wstring key = ToLower(name);
    alreadyExisted = d_.mutexes.count(key) > 0 && d_.mutexes[key] > 0;
    ++d_.mutexes[key];
    MutexHandle h = d_.nextMutex++;
    d_.mutexHandles[h] = {key, p_.pid()};
    return h;
  }
  void Close(MutexHandle mutex) override {
    auto it = d_.mutexHandles.find(mutex);
    if (it == d_.mutexHandles.end()) return;
    if (--d_.mutexes[it->second.first] <= 0) d_.mutexes.erase(it->second.first);
    d_.mutexHandles.erase(it);
  }

 private:
  Desktop& d_;
  SimProcess& p_;
};

class SimSystem : public System {
 public:
  explicit SimSystem(Desktop& d) : d_(d) {}
  std::optional<std::wstring> ErrorText(std::int32_t code) override {
    return BuiltinErrorText(code);
  }
  int MajorVersion() override { return d_.osMajorVersion; }
  int PlatformId() override { return d_.osPlatformId; }

 private:
  Desktop& d_;
};

}  // namespace

struct SimProcess::Parts {
  Parts(Desktop& d, SimProcess& p)
      : windows(d, p.pid()),
        clock(d),
        threads(d, p),
        processes(d, p),
        mutexes(d, p),
        resources(NewSimResources()),
        shell(NewSimShell(d, p)),
        system(d),
        com(NewSimCom(d, p)),
        internet(NewSimInternet(d, p)),
        windowEvents(NewSimWindowEvents(d)) {}
  SimWindows windows;
  SimClock clock;
  SimThreads threads;
  SimProcesses processes;
  SimMutexes mutexes;
  std::unique_ptr<Resources> resources;
  std::unique_ptr<Shell> shell;
  SimSystem system;
  std::unique_ptr<Com> com;
  std::unique_ptr<Internet> internet;
  std::unique_ptr<WindowEvents> windowEvents;
};

SimProcess::SimProcess(Desktop& desktop, std::uint32_t pid, std::wstring modulePath,
                       std::wstring commandLine)
    : desktop_(desktop),
      pid_(pid),
      modulePath_(std::move(modulePath)),
      commandLine_(std::move(commandLine)),
      parts_(std::make_unique<Parts>(desktop, *this)) {}

SimProcess::~SimProcess() = default;

Windows& SimProcess::windows() { return parts_->windows; }
Clock& SimProcess::clock() { return parts_->clock; }
Threads& SimProcess::threads() { return parts_->threads; }
Profile& SimProcess::profile() { return desktop_.profile(); }
Registry& SimProcess::registry() { return desktop_.registry(); }
Processes& SimProcess::processes() { return parts_->processes; }
Mutexes& SimProcess::mutexes() { return parts_->mutexes; }
Resources& SimProcess::resources() { return *parts_->resources; }
Shell& SimProcess::shell() { return *parts_->shell; }
System& SimProcess::system() { return parts_->system; }
Com& SimProcess::com() { return *parts_->com; }
Dde& SimProcess::dde() { return desktop_.dde(); }
ShellWindows& SimProcess::shellWindows() { return desktop_.shellWindows(); }
WebControls& SimProcess::web() { return desktop_.web(); }
Internet& SimProcess::internet() { return *parts_->internet; }
IEApplications& SimProcess::ieApps() { return desktop_.ieApps(); }
Accessibility& SimProcess::accessibility() { return desktop_.accessibility(); }
WindowEvents& SimProcess::windowEvents() { return *parts_->windowEvents; }

}  // namespace zq::sim
