// The simulated desktop: one virtual clock, simulated threads that take turns, windows with
// message queues and timers, processes, named mutexes, the shell's tray, recorded boxes.
#pragma once
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "platform/platform.h"

namespace zq::sim {

class Desktop;
class SimProcess;
class SimProfile;
class SimRegistry;
class SimDde;
class SimShellWindows;
class SimWebControls;
class SimTaskbar;
class SimInternet;
class SimNetwork;
class SimIEApplications;
class SimAccessibility;
struct SimWindowEventsState;

constexpr std::uint64_t kNever = ~0ull;
// Sent to a window's own thread to destroy it there (Windows::Destroy from another thread).
constexpr unsigned kDestroyRequest = wm::App + 0x3F1;

struct SentMessage {
  WindowHandle window;
  unsigned message;
  WParam wParam;
  LParam lParam;
  LResult result = 0;
  bool done = false;
};

struct QueuedMessage {
  WindowHandle window;
  unsigned message;
  WParam wParam;
  LParam lParam;
};

struct SimThread {
  std::uint32_t id = 0;
  std::uint32_t pid = 0;
  std::string name;
  enum class State { Runnable, Blocked, Done } state = State::Runnable;
  std::function<bool()> ready;          // while blocked: true when it may go on
  std::uint64_t wakeAt = kNever;        // while blocked: virtual time to go on regardless
  std::function<std::uint64_t()> wake;  // while blocked: a further, computed wake time
  bool timedOut = false;
  bool killed = false;  // its process is ending
  std::condition_variable cv;
  std::thread os;
  // Message queue.
  std::deque<QueuedMessage> posted;
  std::deque<SentMessage*> incoming;
  bool quitPending = false;
  int quitCode = 0;
  WindowHandle active = 0;
  WindowHandle focus = 0;
  std::map<WindowHandle, std::optional<int>> modalEnds;
};

struct SimWindow {
  WindowHandle handle = 0;
  std::wstring className, title;
  std::uint32_t style = 0, exStyle = 0;
  Rect rect;  // relative to the parent's origin; screen coordinates for top-level windows
  WindowHandle parent = 0;  // 0 for the desktop itself
  WindowHandle owner = 0;
  std::vector<WindowHandle> children;  // front first
  bool visible = false, enabled = true, iconic = false;
  std::uint32_t thread = 0, pid = 0;
  WindowHandler* handler = nullptr;
  std::vector<Rect> region;
  bool layered = false;
  std::uint32_t colorKey = 0;
  int alpha = 255;
  std::shared_ptr<const Bitmap> picture;  // what the window paints (SetPicture)
};

struct Timer {
  unsigned period = 0;
  std::uint64_t due = 0;
};

struct MessageBoxRecord {
  int number = 0;
  std::uint32_t pid = 0;
  WindowHandle owner = 0;
  std::wstring text, caption;
  unsigned style = 0;
  bool answered = false;
  int answer = 0;
};

struct ProcessStartRecord {
  std::uint32_t byPid = 0;
  std::wstring commandLine;
  std::string how;  // "CreateProcess" or "WinExec"
};

struct TrayIcon {
  NotifyIconData data;
  std::uint32_t pid = 0;
};

// The desktop. All of its state is touched only by the simulated thread that holds the turn,
// so none of it needs locks; the hand-over itself is synchronised.
class Desktop {
 public:
  // `root` is a real directory that stands in for the disks ("C:\x" is root/C/x).
  explicit Desktop(std::string root);
  ~Desktop();

  // Runs `main` as the first simulated thread; returns when it ends, after every simulated
  // process has been ended and its threads have finished.
  void Run(const std::function<void()>& main);

  // Processes.
  using Entry = std::function<int()>;
  std::uint32_t StartProcess(const std::wstring& modulePath, const std::wstring& commandLine,
                             Entry entry);
  // A process whose main thread only handles its messages until WM_QUIT: a program idle in
  // its message loop, on whose thread others' windows live or client code is called.
  std::uint32_t StartIdleProcess(const std::wstring& modulePath, const std::wstring& commandLine);
  SimProcess* Process(std::uint32_t pid);
  std::vector<std::uint32_t> ProcessIds() const;
  // Who starts programs asked for by CreateProcess/WinExec: returns true when it started one.
  std::function<bool(std::uint32_t byPid, const std::wstring& commandLine)> launcher;
  void EndProcess(std::uint32_t pid, int code);  // like TerminateProcess

  // Threads and time (called by the seam implementations).
  std::uint32_t StartThread(std::uint32_t pid, std::function<void()> body, std::string name);
  SimThread& Current();
  // Null for an id never handed out and for a thread that ended and was joined: the
  // scheduler releases a finished thread at the next turn taken after its end.
  SimThread* Thread(std::uint32_t id);
  // The threads kept now, in the order they were started: the running ones and those that
  // ended since the last turn.
  std::vector<std::uint32_t> ThreadIds() const;
  std::uint64_t NowMs() const { return now_; }
  void SetEpoch(std::int64_t secondsSince1970) { epoch_ = secondsSince1970; }
  std::int64_t Epoch() const { return epoch_; }
  // Blocks the current thread until `ready` holds or virtual time reaches `wakeAt`.
  // Returns false when it woke by time.
  bool Block(std::function<bool()> ready, std::uint64_t wakeAt);
  void SleepMs(unsigned ms);

  // True when the current thread's process is ending: blocking calls return at once.
  bool Dying();

  // Messages (called by SimWindows). NextMessage returns false, without a message, as soon as
  // `extraReady` holds; a dying thread gets WM_QUIT.
  bool NextMessage(QueuedMessage& out, const std::function<bool()>& extraReady = {});
  std::uint64_t NextTimerDue(std::uint32_t thread);
  // A timer of the thread's windows that is due, as its WM_TIMER; re-arms it.
  bool DueTimer(std::uint32_t thread, QueuedMessage& out);
  LResult Dispatch(const QueuedMessage& msg);
  LResult Deliver(WindowHandle window, unsigned message, WParam wParam, LParam lParam);
  void ProcessIncoming(SimThread& t);

  // Windows.
  SimWindow* Window(WindowHandle handle);
  WindowHandle DesktopHandle() const { return desktopWindow_; }
  WindowHandle NewWindow(SimWindow w);
  void DestroyWindowTree(WindowHandle handle, bool sendMessages);
  std::map<WindowHandle, SimWindow>& AllWindows() { return windows_; }
  std::map<std::pair<WindowHandle, unsigned>, Timer>& Timers() { return timers_; }
  WindowHandle foreground = 0;
  Point cursor{640, 512};
  std::set<int> keysDown;
  Rect screen{0, 0, 1280, 1024};
  Rect taskbar{0, 994, 1280, 1024};  // what the shell reports; move it with taskbarShell()
  std::map<std::wstring, unsigned> registeredMessages;
  std::deque<unsigned> menuChoices;  // what the user picks in the next popup menus

  // Message boxes.
  std::vector<MessageBoxRecord>& Boxes() { return boxes_; }
  std::optional<int> autoAnswer;           // answer every box at once with this
  bool AnswerBox(int number, int answer);  // number 0: the oldest unanswered box

  // Shell, mutexes, records.
  std::vector<TrayIcon> trayIcons;
  int failTrayAdds = 0;  // the next n adds fail
  std::vector<std::wstring> openedAddresses;
  std::vector<ProcessStartRecord> processStarts;
  std::map<std::wstring, int> mutexes;  // name (lower case) -> open handles
  std::map<MutexHandle, std::pair<std::wstring, std::uint32_t>> mutexHandles;
  MutexHandle nextMutex = 0x4000;
  int osMajorVersion = 5;
  int osPlatformId = 2;  // NT-based
  bool failCoInitialize = false;
  // Processes run with administrator rights (default: as a plain user).
  bool elevated = false;
  bool failClassObjects = false;
  bool layeredSupported = true;
  // The running image's machine type (its header's Machine field), and moves that fail:
  // lower-case path -> how many of the next moves onto it fail.
  std::uint16_t imageMachine = 0x014C;
  std::map<std::wstring, int> failMovesTo;
  // The downloads the network serves (sim_internet.h); created on first use.
  std::shared_ptr<SimInternet> internetState;
  // Window-event subscriptions and queues (sim_window_events.h); created on first use.
  std::shared_ptr<SimWindowEventsState> windowEventsState;
  // (pid, lower-case name) to what the class was registered with.
  std::map<std::pair<std::uint32_t, std::wstring>, WindowClass> windowClasses;

  SimProfile& profile() { return *profile_; }
  SimRegistry& registry() { return *registry_; }
  SimDde& dde() { return *dde_; }
  SimShellWindows& shellWindows() { return *shellWindows_; }
  SimWebControls& web() { return *web_; }
  SimTaskbar& taskbarShell() { return *taskbarShell_; }
  SimNetwork& network() { return *network_; }
  SimIEApplications& ieApps() { return *ieApps_; }
  SimAccessibility& accessibility() { return *accessibility_; }
  std::string HostPath(const std::wstring& windowsPath) const;
  const std::string& Root() const { return root_; }

  // The trace: one line per observable event, stamped with virtual time. Every line goes
  // to traceSink; TraceLines keeps all of them unless KeepTraceLines bounded it to the newest
  // `lines` (long runs that only print the trace need not hold it).
  void Trace(const std::string& line);
  void Trace(const std::wstring& line);
  const std::deque<std::string>& TraceLines() const { return trace_; }
  void KeepTraceLines(std::size_t lines);
  std::function<void(const std::string&)> traceSink;

 private:
  friend class SimProcess;
  void HandOff(SimThread& me, bool wait);
  SimThread* Pick();
  void ThreadMain(SimThread* t, std::function<void()> body);
  void ReapFinished();
  void FinishProcess(SimProcess& p);
  void KillProcessThreads(std::uint32_t pid, std::uint32_t except);
  [[noreturn]] void Deadlock();

  std::string root_;
  std::mutex m_;
  std::uint32_t current_ = 0;
  std::map<std::uint32_t, std::unique_ptr<SimThread>> threads_;
  std::uint32_t nextThread_ = 1;
  std::uint64_t now_ = 0;
  std::int64_t epoch_ = 1767607200;  // 2026-01-05 10:00:00 UTC
  std::map<std::uint32_t, std::unique_ptr<SimProcess>> processes_;
  std::uint32_t nextPid_ = 100;
  std::map<WindowHandle, SimWindow> windows_;
  WindowHandle nextWindow_ = 0x10010;
  WindowHandle desktopWindow_ = 0;
  std::map<std::pair<WindowHandle, unsigned>, Timer> timers_;
  std::vector<MessageBoxRecord> boxes_;
  std::unique_ptr<SimProfile> profile_;
  std::unique_ptr<SimRegistry> registry_;
  std::unique_ptr<SimDde> dde_;
  std::unique_ptr<SimShellWindows> shellWindows_;
  std::unique_ptr<SimWebControls> web_;
  std::unique_ptr<SimTaskbar> taskbarShell_;
  std::unique_ptr<SimNetwork> network_;
  std::unique_ptr<SimIEApplications> ieApps_;
  std::unique_ptr<SimAccessibility> accessibility_;
  std::deque<std::string> trace_;
  std::size_t traceKept_ = static_cast<std::size_t>(-1);
};

// The seams of a process that live in files of their own (sim_resources.cpp, sim_shell.cpp,
// sim_com.cpp, beside their win32_ twins). Icons are numbered from kSimIconBase.
constexpr IconHandle kSimIconBase = 0x70000;
std::unique_ptr<Resources> NewSimResources();
std::unique_ptr<Shell> NewSimShell(Desktop& d, SimProcess& p);
std::unique_ptr<Com> NewSimCom(Desktop& d, SimProcess& p);

// One simulated process: the platform as its threads see it.
class SimProcess : public Platform {
 public:
  SimProcess(Desktop& desktop, std::uint32_t pid, std::wstring modulePath,
             std::wstring commandLine);
  ~SimProcess() override;

  Windows& windows() override;
  Clock& clock() override;
  Threads& threads() override;
  Profile& profile() override;
  Registry& registry() override;
  Processes& processes() override;
  Mutexes& mutexes() override;
  Resources& resources() override;
  Shell& shell() override;
  System& system() override;
  Com& com() override;
  Dde& dde() override;
  ShellWindows& shellWindows() override;
  WebControls& web() override;
  IEApplications& ieApps() override;
  Accessibility& accessibility() override;
  Internet& internet() override;
  WindowEvents& windowEvents() override;

  Desktop& desktop() { return desktop_; }
  std::uint32_t pid() const { return pid_; }
  const std::wstring& ModulePath() const { return modulePath_; }
  const std::wstring& CommandLine() const { return commandLine_; }
  std::uint32_t mainThread = 0;
  bool ending = false;
  bool ended = false;
  std::optional<int> exitCode;
  Desktop::Entry entry;

 private:
  struct Parts;
  Desktop& desktop_;
  std::uint32_t pid_;
  std::wstring modulePath_, commandLine_;
  std::unique_ptr<Parts> parts_;
};

}  // namespace zq::sim
