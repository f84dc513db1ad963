// The simulated desktop's core: the turn-taking scheduler under the virtual clock,
// processes and their ending, message queues and the trace.
#include "platform/sim/sim_desktop.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <exception>

#include "app/Text.h"
#include "platform/sim/sim_accessibility.h"
#include "platform/sim/sim_browsers.h"
#include "platform/sim/sim_ie_app.h"
#include "platform/sim/sim_network.h"
#include "platform/sim/sim_profile.h"
#include "platform/sim/sim_registry.h"
#include "platform/sim/sim_taskbar.h"
#include "platform/sim/sim_web_control.h"

namespace zq::sim {

Desktop::Desktop(std::string root)
    : root_(std::move(root)),
      profile_(std::make_unique<SimProfile>(
          [this](const std::wstring& path) { return HostPath(path); })),
      registry_(std::make_unique<SimRegistry>()),
      dde_(std::make_unique<SimDde>(*this)),
      shellWindows_(std::make_unique<SimShellWindows>(*this)),
      web_(std::make_unique<SimWebControls>(*this)),
      network_(std::make_unique<SimNetwork>()),
      ieApps_(std::make_unique<SimIEApplications>(*this)),
      accessibility_(std::make_unique<SimAccessibility>(*this)) {
  SimWindow desk;
  desk.className = L"#32769";
  desk.rect = screen;
  desk.visible = true;
  desktopWindow_ = NewWindow(desk);
  taskbarShell_ = std::make_unique<SimTaskbar>(*this);
}

Desktop::~Desktop() {
  for (auto& [id, t] : threads_) {
    if (t->os.joinable()) t->os.join();
  }
}

std::string Desktop::HostPath(const std::wstring& windowsPath) const {
  std::string p = ToUtf8(windowsPath);
  std::string out = root_;
  size_t start = 0;
  if (p.size() >= 2 && p[1] == ':') {
    out += '/';
    out += static_cast<char>(std::toupper(static_cast<unsigned char>(p[0])));
    start = 2;
  }
  for (size_t i = start; i < p.size(); ++i) out += (p[i] == '\\') ? '/' : p[i];
  return out;
}

void Desktop::Trace(const std::string& line) {
  char stamp[32];
  std::snprintf(stamp, sizeof stamp, "[%9.3f] ", static_cast<double>(now_) / 1000.0);
  std::string stamped = stamp + line;
  if (traceSink) traceSink(stamped);
  if (traceKept_ == 0) return;
  trace_.push_back(std::move(stamped));
  while (trace_.size() > traceKept_) trace_.pop_front();
}

void Desktop::KeepTraceLines(std::size_t lines) {
  traceKept_ = lines;
  while (trace_.size() > traceKept_) trace_.pop_front();
}

void Desktop::Trace(const std::wstring& line) { Trace(ToUtf8(line)); }

// ---------------------------------------------------------------------------------------
// Scheduling

SimThread& Desktop::Current() { return *threads_.at(current_); }

SimThread* Desktop::Thread(std::uint32_t id) {
  auto it = threads_.find(id);
  return it == threads_.end() ? nullptr : it->second.get();
}

std::vector<std::uint32_t> Desktop::ThreadIds() const {
  std::vector<std::uint32_t> ids;
  for (auto& [id, t] : threads_) ids.push_back(id);
  return ids;
}

// Joins the threads that ended and forgets them, so that a long run holds only the threads
// that still run. Called by the thread holding the turn: an ended thread gave the turn away
// as its last act, so its join waits at most for its return.
void Desktop::ReapFinished() {
  for (auto it = threads_.begin(); it != threads_.end();) {
    SimThread& t = *it->second;
    if (t.state == SimThread::State::Done && t.os.joinable() && it->first != current_) {
      t.os.join();
      it = threads_.erase(it);
    } else {
      ++it;
    }
  }
}

bool Desktop::Dying() { return Current().killed && std::uncaught_exceptions() > 0; }

void Desktop::Run(const std::function<void()>& main) {
  auto runner = std::make_unique<SimThread>();
  runner->id = nextThread_++;
  runner->name = "runner";
  std::uint32_t runnerId = runner->id;
  current_ = runnerId;
  threads_[runnerId] = std::move(runner);
  std::exception_ptr failure;
  try {
    main();
  } catch (...) {
    failure = std::current_exception();
  }
  // End whatever still runs, and let every thread finish unwinding.
  for (auto& [pid, p] : processes_) {
    if (!p->ending) {
      p->ending = true;
      if (!p->exitCode) p->exitCode = 0;
      KillProcessThreads(pid, 0);
    }
  }
  auto othersDone = [this, runnerId] {
    for (auto& [id, t] : threads_)
      if (id != runnerId && t->state != SimThread::State::Done) return false;
    return true;
  };
  while (!othersDone()) Block(othersDone, kNever);
  threads_[runnerId]->state = SimThread::State::Done;
  for (auto& [id, t] : threads_)
    if (t->os.joinable()) t->os.join();
  if (failure) std::rethrow_exception(failure);
}

SimThread* Desktop::Pick() {
  std::vector<SimThread*> order;
  for (auto it = threads_.upper_bound(current_); it != threads_.end(); ++it)
    order.push_back(it->second.get());
  for (auto it = threads_.begin(); it != threads_.end() && it->first <= current_; ++it)
    order.push_back(it->second.get());
  for (SimThread* t : order) {
    if (t->state == SimThread::State::Runnable) return t;
    if (t->state == SimThread::State::Blocked && (t->killed || (t->ready && t->ready()))) {
      t->state = SimThread::State::Runnable;
      t->timedOut = false;
      return t;
    }
  }
  std::uint64_t earliest = kNever;
  auto wakeOf = [](SimThread* t) {
    std::uint64_t w = t->wakeAt;
    if (t->wake) w = std::min(w, t->wake());
    return w;
  };
  for (SimThread* t : order)
    if (t->state == SimThread::State::Blocked) earliest = std::min(earliest, wakeOf(t));
  if (earliest == kNever) Deadlock();
  now_ = std::max(now_, earliest);
  for (SimThread* t : order) {
    if (t->state == SimThread::State::Blocked && wakeOf(t) <= now_) {
      t->state = SimThread::State::Runnable;
      t->timedOut = !(t->ready && t->ready());
      return t;
    }
  }
  Deadlock();
}

void Desktop::Deadlock() {
  std::fprintf(stderr, "simulated desktop: every thread waits for ever at %llu ms\n",
               static_cast<unsigned long long>(now_));
  for (auto& [id, t] : threads_)
    std::fprintf(stderr, "  thread %u (%s, pid %u) state %d\n", id, t->name.c_str(), t->pid,
                 static_cast<int>(t->state));
  std::abort();
}

void Desktop::HandOff(SimThread& me, bool wait) {
  SimThread* next = Pick();
  if (next == &me) {
    me.state = SimThread::State::Runnable;
    return;
  }
  std::unique_lock<std::mutex> lock(m_);
  current_ = next->id;
  next->cv.notify_one();
  if (!wait) return;
  me.cv.wait(lock, [&] { return current_ == me.id; });
}

bool Desktop::Block(std::function<bool()> ready, std::uint64_t wakeAt) {
  SimThread& me = Current();
  if (me.killed) {
    if (std::uncaught_exceptions() > 0) return false;
    SimProcess* p = Process(me.pid);
    throw ProcessExit{p && p->exitCode ? *p->exitCode : 0};
  }
  if (ready && ready()) return true;
  me.state = SimThread::State::Blocked;
  me.ready = std::move(ready);
  me.wakeAt = wakeAt;
  me.timedOut = false;
  HandOff(me, true);
  ReapFinished();
  me.ready = nullptr;
  me.wake = nullptr;
  me.wakeAt = kNever;
  if (me.killed && std::uncaught_exceptions() == 0) {
    SimProcess* p = Process(me.pid);
    throw ProcessExit{p && p->exitCode ? *p->exitCode : 0};
  }
  return !me.timedOut;
}

void Desktop::SleepMs(unsigned ms) {
  if (ms == 0) {  // gives every other thread that can go on its turn first
    if (!Dying()) Block(nullptr, now_);
    return;
  }
  std::uint64_t until = now_ + ms;
  while (now_ < until && !Dying()) Block(nullptr, until);
}

std::uint32_t Desktop::StartThread(std::uint32_t pid, std::function<void()> body,
                                   std::string name) {
  ReapFinished();
  auto t = std::make_unique<SimThread>();
  t->id = nextThread_++;
  t->pid = pid;
  t->name = std::move(name);
  SimThread* raw = t.get();
  threads_[raw->id] = std::move(t);
  raw->os = std::thread(
      [this, raw, body = std::move(body)]() mutable { ThreadMain(raw, std::move(body)); });
  return raw->id;
}

void Desktop::ThreadMain(SimThread* t, std::function<void()> body) {
  {
    std::unique_lock<std::mutex> lock(m_);
    t->cv.wait(lock, [&] { return current_ == t->id; });
  }
  if (!t->killed) {
    try {
      body();
    } catch (const ProcessExit&) {
    } catch (...) {
      Trace("thread " + t->name + " ended by an unexpected failure");
    }
  }
  // What the body holds goes while this thread still has the turn: its destructors may
  // touch the desktop like any other code of the thread.
  body = nullptr;
  BindThread(nullptr);
  t->state = SimThread::State::Done;
  HandOff(*t, false);
}

// ---------------------------------------------------------------------------------------
// Processes

std::uint32_t Desktop::StartIdleProcess(const std::wstring& modulePath,
                                        const std::wstring& commandLine) {
  return StartProcess(modulePath, commandLine, [this] {
    QueuedMessage m;
    while (NextMessage(m) && m.message != wm::Quit) Dispatch(m);
    return 0;
  });
}

std::uint32_t Desktop::StartProcess(const std::wstring& modulePath, const std::wstring& commandLine,
                                    Entry entry) {
  std::uint32_t pid = nextPid_++;
  auto proc = std::make_unique<SimProcess>(*this, pid, modulePath, commandLine);
  SimProcess* p = proc.get();
  p->entry = std::move(entry);
  processes_[pid] = std::move(proc);
  Trace("process " + std::to_string(pid) + " started: " + ToUtf8(commandLine));
  p->mainThread = StartThread(
      pid,
      [this, p] {
        BindThread(p);
        int code = 0;
        try {
          code = p->entry();
        } catch (const ProcessExit& e) {
          code = e.code;
        } catch (...) {
          code = -1;
          Trace("process " + std::to_string(p->pid()) + " ended by an unexpected failure");
        }
        if (!p->exitCode) p->exitCode = code;
        FinishProcess(*p);
      },
      "main");
  return pid;
}

SimProcess* Desktop::Process(std::uint32_t pid) {
  auto it = processes_.find(pid);
  return it == processes_.end() ? nullptr : it->second.get();
}

std::vector<std::uint32_t> Desktop::ProcessIds() const {
  std::vector<std::uint32_t> ids;
  for (auto& [pid, p] : processes_) ids.push_back(pid);
  return ids;
}

void Desktop::KillProcessThreads(std::uint32_t pid, std::uint32_t except) {
  for (auto& [id, t] : threads_)
    if (t->pid == pid && id != except && t->state != SimThread::State::Done) t->killed = true;
}

void Desktop::EndProcess(std::uint32_t pid, int code) {
  SimProcess* p = Process(pid);
  if (!p || p->ending) return;
  p->ending = true;
  p->exitCode = code;
  Trace("process " + std::to_string(pid) + " is being ended with code " + std::to_string(code));
  KillProcessThreads(pid, 0);
}

void Desktop::FinishProcess(SimProcess& p) {
  SimThread& me = Current();
  p.ending = true;
  KillProcessThreads(p.pid(), me.id);
  auto othersDone = [this, &p, &me] {
    for (auto& [id, t] : threads_)
      if (t->pid == p.pid() && id != me.id && t->state != SimThread::State::Done) return false;
    return true;
  };
  bool wasKilled = me.killed;
  me.killed = false;  // the main thread must be able to wait for the others to unwind
  while (!othersDone()) Block(othersDone, kNever);
  me.killed = wasKilled;
  // What the process left behind goes without messages, as when a process dies.
  std::vector<WindowHandle> left;
  for (auto& [h, w] : windows_)
    if (w.pid == p.pid() && w.parent == desktopWindow_) left.push_back(h);
  for (WindowHandle h : left) DestroyWindowTree(h, false);
  for (auto it = trayIcons.begin(); it != trayIcons.end();) {
    if (it->pid == p.pid()) {
      Trace("process " + std::to_string(p.pid()) + " left its tray icon " +
            std::to_string(it->data.id) + "; the shell drops it");
      it = trayIcons.erase(it);
    } else {
      ++it;
    }
  }
  for (auto it = mutexHandles.begin(); it != mutexHandles.end();) {
    if (it->second.second == p.pid()) {
      if (--mutexes[it->second.first] <= 0) mutexes.erase(it->second.first);
      it = mutexHandles.erase(it);
    } else {
      ++it;
    }
  }
  me.killed = false;
  try {
    p.state().reset();
  } catch (...) {
  }
  p.ended = true;
  Trace("process " + std::to_string(p.pid()) + " exited with code " +
        std::to_string(p.exitCode.value_or(0)));
}

// ---------------------------------------------------------------------------------------
// Message boxes

bool Desktop::AnswerBox(int number, int answer) {
  for (auto& b : boxes_) {
    if (b.answered) continue;
    if (number != 0 && b.number != number) continue;
    b.answered = true;
    b.answer = answer;
    Trace("message box #" + std::to_string(b.number) + " answered " + std::to_string(answer));
    return true;
  }
  return false;
}

}  // namespace zq::sim
