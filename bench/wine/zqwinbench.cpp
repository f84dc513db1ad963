// Measurements of the Windows client under Wine (scripts/wine-bench.sh runs them; the
// figures are in docs/performance.md). Usage:
//   zqwinbench region               the notifier's skin region: DIB read against GetPixel
//   zqwinbench idle CLIENT SECONDS  CPU time and memory of an idle ZephquillClient.exe
//   zqwinbench tick FAKEFOX         the client's detection and steady path with a stand-in
//                                   Firefox in front, against the calls it cannot avoid
//   zqwinbench follow WHAT FAKEFOX SECONDS PROGRAM
//                                   CPU time over SECONDS of PROGRAM following a stand-in
//                                   Firefox: WHAT "client" (the client, enabled) or
//                                   "window" / "dde" (PROGRAM is zqpoller.exe)
// Each mode prints "name value unit" lines; a failed precondition ends with code 1 and a
// line saying what failed.
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#include <ddeml.h>
#include <psapi.h>
#include <shellapi.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "bench/wine/bare_calls.h"
#include "controller/browser/BrowserDetection.h"
#include "platform/win32/win32_backend.h"
#include "platform/win32/win32_platform.h"
#include "shell/TaskbarNotifier.h"

namespace {

constexpr unsigned kSkinBitmap = 178;
constexpr std::uint32_t kMagenta = 0xFF00FF;  // the skin's colour key, 0xRRGGBB
constexpr UINT kExitCommand = 57665;

struct Failed {
  std::string what;
};

void Require(bool condition, const std::string& what) {
  if (!condition) throw Failed{what};
}

double NowMs() {
  static LARGE_INTEGER frequency = [] {
    LARGE_INTEGER f;
    ::QueryPerformanceFrequency(&f);
    return f;
  }();
  LARGE_INTEGER now;
  ::QueryPerformanceCounter(&now);
  return static_cast<double>(now.QuadPart) * 1000.0 / static_cast<double>(frequency.QuadPart);
}

// Per-run times of `body`, repeated for at least `minRuns` runs and `minMs` milliseconds
// (at most `maxRuns`); the median is what is reported, robust against Wine's odd pause.
struct Timing {
  double medianMs = 0, meanMs = 0;
  size_t runs = 0;
};

Timing Measure(const std::function<void()>& body, size_t minRuns, double minMs, size_t maxRuns) {
  std::vector<double> times;
  const double start = NowMs();
  while (times.size() < maxRuns && (times.size() < minRuns || NowMs() - start < minMs)) {
    const double t0 = NowMs();
    body();
    times.push_back(NowMs() - t0);
  }
  Timing t;
  t.runs = times.size();
  for (double v : times) t.meanMs += v;
  t.meanMs /= static_cast<double>(times.size());
  std::sort(times.begin(), times.end());
  t.medianMs = times[times.size() / 2];
  return t;
}

void Print(const char* name, const Timing& t) {
  std::printf("%s %.4f ms (median of %zu runs, mean %.4f ms)\n", name, t.medianMs, t.runs,
              t.meanMs);
}

std::wstring Directory(const std::wstring& path) {
  size_t slash = path.find_last_of(L"\\/");
  return slash == std::wstring::npos ? L"." : path.substr(0, slash);
}

// ---------------------------------------------------------------------------------------
// region: the skin's rectangles from the pixels that one GetDIBits call reads (what the
// backend does) against one GetPixel call per pixel on a memory DC holding the bitmap.

bool SameRects(const std::vector<zq::Rect>& a, const std::vector<zq::Rect>& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (a[i] != b[i]) return false;
  return true;
}

// The same runs as the notifier's region scan, bottom row first, read pixel by pixel.
std::vector<zq::Rect> RectsByGetPixel(HBITMAP bitmap, int width, int height) {
  std::vector<zq::Rect> rects;
  rects.reserve(40);
  HDC screen = ::GetDC(nullptr);
  HDC memory = ::CreateCompatibleDC(screen);
  HGDIOBJ old = ::SelectObject(memory, bitmap);
  const COLORREF key = RGB(0xFF, 0x00, 0xFF);
  for (int row = height - 1; row >= 0; --row) {
    int start = -1;
    for (int x = 0; x < width; ++x) {
      bool opaque = ::GetPixel(memory, x, row) != key;
      bool last = x == width - 1;
      if (start < 0) {
        if (!opaque) continue;
        start = x;
        if (!last) continue;
      }
      if (!opaque || last) {
        rects.push_back(zq::Rect{start, row, (opaque && last) ? x + 1 : x, row + 1});
        start = -1;
      }
    }
  }
  ::SelectObject(memory, old);
  ::DeleteDC(memory);
  ::ReleaseDC(nullptr, screen);
  return rects;
}

std::vector<zq::Rect> RectsByDib(HBITMAP bitmap) {
  std::optional<zq::Bitmap> pixels = zq::win32::ReadBitmap(bitmap);
  return pixels ? zq::CTaskbarNotifier::GenerateRegion(*pixels, kMagenta) : std::vector<zq::Rect>{};
}

int Region() {
  HBITMAP bitmap =
      static_cast<HBITMAP>(::LoadImageW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(kSkinBitmap),
                                        IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
  Require(bitmap != nullptr, "bitmap 178 is in the program's resources");
  BITMAP header{};
  ::GetObjectW(bitmap, sizeof header, &header);
  Require(header.bmWidth == 204 && header.bmHeight == 155, "the skin is 204 x 155");

  std::vector<zq::Rect> byDib = RectsByDib(bitmap);
  std::vector<zq::Rect> byPixel = RectsByGetPixel(bitmap, header.bmWidth, header.bmHeight);
  Require(!byDib.empty(), "the skin has opaque pixels");
  Require(SameRects(byDib, byPixel), "both scans yield the same rectangles");
  std::printf("rectangles %zu\n", byDib.size());

  size_t sink = 0;
  Timing dib = Measure([&] { sink += RectsByDib(bitmap).size(); }, 50, 2000, 100000);
  Timing pixel =
      Measure([&] { sink += RectsByGetPixel(bitmap, header.bmWidth, header.bmHeight).size(); }, 5,
              2000, 1000);
  Timing region = Measure(
      [&] {
        zq::win32::UniqueRegion r = zq::win32::MakeRegion(byDib);
        sink += r ? 1 : 0;
      },
      20, 1000, 10000);
  Print("region_scan_dib", dib);
  Print("region_scan_getpixel", pixel);
  Print("region_union_rects", region);
  std::printf("region_getpixel_over_dib %.1f x\n", pixel.medianMs / dib.medianMs);
  ::DeleteObject(bitmap);
  return sink == 0 ? 1 : 0;
}

// ---------------------------------------------------------------------------------------
// idle: the client's CPU time over a quiet period and its memory after start-up.

struct WindowSearch {
  DWORD pid;
  const wchar_t* className;
  HWND found;
};

BOOL CALLBACK MatchWindow(HWND window, LPARAM data) {
  auto* s = reinterpret_cast<WindowSearch*>(data);
  DWORD owner = 0;
  ::GetWindowThreadProcessId(window, &owner);
  wchar_t name[64] = {};
  ::GetClassNameW(window, name, 64);
  if (owner != s->pid || std::wstring(name) != s->className) return TRUE;
  s->found = window;
  return FALSE;
}

// A top-level window of the process with that class, waiting up to `ms`.
HWND WaitWindow(DWORD pid, const wchar_t* className, DWORD ms) {
  const DWORD start = ::GetTickCount();
  for (;;) {
    WindowSearch s{pid, className, nullptr};
    ::EnumWindows(MatchWindow, reinterpret_cast<LPARAM>(&s));
    if (s.found || ::GetTickCount() - start > ms) return s.found;
    ::Sleep(50);
  }
}

// Waits up to `ms` until the client has written its version code, the last step of its
// start-up.
bool WaitStarted(const std::wstring& config, DWORD ms) {
  const DWORD start = ::GetTickCount();
  for (;;) {
    wchar_t value[16] = {};
    ::GetPrivateProfileStringW(L"General", L"VersionCode", L"", value, 16, config.c_str());
    if (std::wstring(value) == L"11") return true;
    if (::GetTickCount() - start > ms) return false;
    ::Sleep(100);
  }
}

double CpuMs(HANDLE process) {
  FILETIME created, ended, kernel, user;
  if (!::GetProcessTimes(process, &created, &ended, &kernel, &user)) return -1;
  auto ms = [](const FILETIME& f) {
    return static_cast<double>((static_cast<ULONGLONG>(f.dwHighDateTime) << 32) | f.dwLowDateTime) /
           10000.0;
  };
  return ms(kernel) + ms(user);
}

void PrintMemory(const char* when, HANDLE process) {
  PROCESS_MEMORY_COUNTERS_EX counters{};
  counters.cb = sizeof counters;
  Require(::GetProcessMemoryInfo(process, reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters),
                                 sizeof counters) != 0,
          "GetProcessMemoryInfo answers");
  std::printf("private_bytes_%s %.1f MiB\n", when, counters.PrivateUsage / 1048576.0);
  std::printf("pagefile_usage_%s %.1f MiB\n", when, counters.PagefileUsage / 1048576.0);
  std::printf("working_set_%s %.1f MiB\n", when, counters.WorkingSetSize / 1048576.0);
  std::printf("peak_working_set_%s %.1f MiB\n", when, counters.PeakWorkingSetSize / 1048576.0);
}

// Under Wine, GetProcessTimes of another process answers zero times and the memory counters
// leave PrivateUsage at zero; the figures then come from the Linux side, /proc of the
// Wine process that runs the client (found by its command line and WINEPREFIX, read
// through drive Z:). Its threads' user and system time; wineserver's work for it is not
// counted.
struct LinuxProcess {
  std::string dir;  // "Z:\\proc\\<pid>", empty when not found
};

std::string ReadWhole(const std::string& path) {
  HANDLE file = ::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return std::string();
  std::string all;
  char buffer[4096];
  DWORD got = 0;
  while (::ReadFile(file, buffer, sizeof buffer, &got, nullptr) && got > 0) all.append(buffer, got);
  ::CloseHandle(file);
  return all;
}

LinuxProcess FindLinuxProcess(const std::string& commandPart) {
  char prefix[1024] = {};
  ::GetEnvironmentVariableA("WINEPREFIX", prefix, sizeof prefix);
  const std::string wanted = std::string("WINEPREFIX=") + prefix;
  WIN32_FIND_DATAA entry;
  HANDLE search = ::FindFirstFileA("Z:\\proc\\*", &entry);
  if (search == INVALID_HANDLE_VALUE) return {};
  LinuxProcess found;
  do {
    std::string name = entry.cFileName;
    if (name.empty() || name.find_first_not_of("0123456789") != std::string::npos) continue;
    std::string dir = "Z:\\proc\\" + name;
    // The client's own process, not this program (whose arguments name the client too).
    std::string command = ReadWhole(dir + "\\cmdline");
    if (command.find(commandPart) == std::string::npos ||
        command.find("zqwinbench") != std::string::npos)
      continue;
    std::string environment = ReadWhole(dir + "\\environ");
    std::replace(environment.begin(), environment.end(), '\0', '\n');
    if (prefix[0] && (environment + "\n").find(wanted + "\n") == std::string::npos) continue;
    found.dir = dir;
    break;
  } while (::FindNextFileA(search, &entry));
  ::FindClose(search);
  return found;
}

// User plus system time in milliseconds (fields 14 and 15 of stat, in clock ticks of 10 ms).
double LinuxCpuMs(const LinuxProcess& p) {
  std::string stat = ReadWhole(p.dir + "\\stat");
  size_t close = stat.rfind(')');
  if (close == std::string::npos) return -1;
  unsigned long long utime = 0, stime = 0;
  if (std::sscanf(stat.c_str() + close + 2, "%*c %*d %*d %*d %*d %*d %*u %*u %*u %*u %*u %llu %llu",
                  &utime, &stime) != 2)
    return -1;
  return static_cast<double>(utime + stime) * 10.0;
}

// On-CPU time in milliseconds from the scheduler's own account, per thread ("tid name")
// and in all: the first field of each task's schedstat, in nanoseconds; finer than stat's
// 10 ms ticks, which a bare poller does not fill in a minute. Empty when unreadable.
std::map<std::string, double> LinuxRunMs(const LinuxProcess& p) {
  std::map<std::string, double> run;
  WIN32_FIND_DATAA entry;
  HANDLE search = ::FindFirstFileA((p.dir + "\\task\\*").c_str(), &entry);
  if (search == INVALID_HANDLE_VALUE) return run;
  do {
    if (entry.cFileName[0] == '.') continue;
    const std::string task = p.dir + "\\task\\" + entry.cFileName;
    unsigned long long ns = 0;
    if (std::sscanf(ReadWhole(task + "\\schedstat").c_str(), "%llu", &ns) != 1) continue;
    std::string name = ReadWhole(task + "\\comm");
    name.erase(name.find_last_not_of("\n") + 1);
    run[std::string(entry.cFileName) + " " + name] = static_cast<double>(ns) / 1e6;
    run["all"] += static_cast<double>(ns) / 1e6;
  } while (::FindNextFileA(search, &entry));
  ::FindClose(search);
  return run;
}

void PrintLinuxMemory(const char* when, const LinuxProcess& p) {
  std::string status = ReadWhole(p.dir + "\\status");
  for (const char* key : {"VmRSS:", "RssAnon:", "VmSwap:"}) {
    size_t at = status.find(key);
    if (at == std::string::npos) continue;
    unsigned long kb = 0;
    std::sscanf(status.c_str() + at + std::strlen(key), "%lu", &kb);
    std::string name(key, std::strlen(key) - 1);
    std::printf("linux_%s_%s %.1f MiB\n", name.c_str(), when, kb / 1024.0);
  }
}

int Idle(const std::wstring& client, int seconds) {
  Require(seconds > 0 && seconds <= 600, "the idle period is 1 to 600 seconds");
  const std::wstring dir = Directory(client), config = dir + L"\\ZQConfig.ini";
  ::DeleteFileW(config.c_str());
  std::wstring line = L"\"" + client + L"\"";
  STARTUPINFOW si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi{};
  Require(::CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, dir.c_str(),
                           &si, &pi) != 0,
          "the client starts");
  struct Ender {
    PROCESS_INFORMATION& pi;
    ~Ender() {
      if (HWND controller = WaitWindow(pi.dwProcessId, L"#32770", 0))
        ::PostMessageW(controller, WM_COMMAND, kExitCommand, 0);
      if (::WaitForSingleObject(pi.hProcess, 15000) != WAIT_OBJECT_0)
        ::TerminateProcess(pi.hProcess, 99);
      ::CloseHandle(pi.hThread);
      ::CloseHandle(pi.hProcess);
    }
  } ender{pi};
  const double launched = NowMs();
  Require(WaitStarted(config, 60000), "the client finishes its start-up within 60 s");
  std::printf("startup_to_version_code %.0f ms\n", NowMs() - launched);
  // The splash thread ends 4 s after the start; the figures are of the settled client.
  ::Sleep(6000);
  Require(::WaitForSingleObject(pi.hProcess, 0) == WAIT_TIMEOUT, "the client is running");
  PrintMemory("after_startup", pi.hProcess);
  LinuxProcess unixSide = FindLinuxProcess("C:\\zqbench\\idle\\ZephquillClient.exe");
  if (unixSide.dir.empty())
    std::printf("the client's Linux process was not found\n");
  else
    PrintLinuxMemory("after_startup", unixSide);
  const double cpu0 = CpuMs(pi.hProcess), wall0 = NowMs();
  const double linux0 = unixSide.dir.empty() ? -1 : LinuxCpuMs(unixSide);
  ::Sleep(static_cast<DWORD>(seconds) * 1000);
  const double cpu1 = CpuMs(pi.hProcess), wall1 = NowMs();
  const double linux1 = unixSide.dir.empty() ? -1 : LinuxCpuMs(unixSide);
  Require(cpu0 >= 0 && cpu1 >= 0, "GetProcessTimes answers");
  Require(::WaitForSingleObject(pi.hProcess, 0) == WAIT_TIMEOUT, "the client ran throughout");
  const double cpu = cpu1 - cpu0, wall = wall1 - wall0;
  std::printf("idle_wall %.0f ms\n", wall);
  std::printf("idle_cpu_getprocesstimes %.1f ms\n", cpu);
  std::printf("idle_cpu_getprocesstimes_per_minute %.1f ms\n", cpu * 60000.0 / wall);
  if (linux0 >= 0 && linux1 >= 0) {
    const double lcpu = linux1 - linux0;
    std::printf("idle_cpu_linux %.1f ms\n", lcpu);
    std::printf("idle_cpu_linux_per_minute %.1f ms\n", lcpu * 60000.0 / wall);
    std::printf("idle_cpu_linux_percent %.3f %%\n", lcpu * 100.0 / wall);
  }
  PrintMemory("after_idle", pi.hProcess);
  if (!unixSide.dir.empty()) PrintLinuxMemory("after_idle", unixSide);
  return 0;
}

// ---------------------------------------------------------------------------------------
// tick: the controller's steady tick with a followed Firefox in front, and the calls that
// no implementation of it can avoid.

using zqbench::BareCalls;

// The tray icon's tooltip, as the steady tick rewrites it ("Site: " and the address).
struct TooltipIcon {
  HWND window = nullptr;
  NOTIFYICONDATAW record{};
  TooltipIcon() {
    window = ::CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, nullptr,
                               nullptr);
    record.cbSize = NOTIFYICONDATAW_V1_SIZE;
    record.hWnd = window;
    record.uID = 130;
    record.uFlags = NIF_ICON | NIF_TIP;
    record.hIcon = ::LoadIconW(nullptr, IDI_APPLICATION);
    added = window && ::Shell_NotifyIconW(NIM_ADD, &record);
  }
  ~TooltipIcon() {
    if (added) ::Shell_NotifyIconW(NIM_DELETE, &record);
    if (window) ::DestroyWindow(window);
  }
  bool Set(const std::wstring& tip) {
    record.uFlags = NIF_TIP;
    lstrcpynW(record.szTip, tip.c_str(), 64);
    return ::Shell_NotifyIconW(NIM_MODIFY, &record) != 0;
  }
  bool added = false;
};

// A started program, ended (terminated) when the object goes.
struct Started {
  PROCESS_INFORMATION pi{};
  Started(std::wstring line, const std::wstring& dir, const char* what) {
    STARTUPINFOW si{};
    si.cb = sizeof si;
    Require(::CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr,
                             dir.empty() ? nullptr : dir.c_str(), &si, &pi) != 0,
            std::string(what) + " starts");
  }
  ~Started() {
    ::TerminateProcess(pi.hProcess, 0);
    ::WaitForSingleObject(pi.hProcess, 5000);
    ::CloseHandle(pi.hThread);
    ::CloseHandle(pi.hProcess);
  }
  Started(const Started&) = delete;
  Started& operator=(const Started&) = delete;
};

const wchar_t kFoxUrl[] = L"http://example.com/news";

// The stand-in Firefox showing kFoxUrl, its window in front.
struct Fakefox : Started {
  HWND frame = nullptr;
  explicit Fakefox(const std::wstring& exe)
      : Started(L"\"" + exe + L"\" answer " + kFoxUrl + L" News", L"", "fakefox") {
    frame = WaitWindow(pi.dwProcessId, L"MozillaUIWindowClass", 10000);
    Require(frame != nullptr, "fakefox shows its window");
    Front();
  }
  // In a fresh prefix the desktop may still be settling: a few tries, 5 s at most.
  void Front() {
    for (int tries = 0; tries < 50 && ::GetForegroundWindow() != frame; ++tries) {
      ::SetForegroundWindow(frame);
      if (::GetForegroundWindow() != frame) ::Sleep(100);
    }
    Require(::GetForegroundWindow() == frame, "fakefox's window is in front");
  }
};

int Tick(const std::wstring& fakefox) {
  const std::wstring url = kFoxUrl;
  Fakefox fox(fakefox);
  HWND frame = fox.frame;

  BareCalls bare;
  Require(bare.instance != 0, "a DDE client instance is made");
  Require(bare.Request() > 0, "fakefox answers the DDE request");

  // The client's detection on the real platform, bound to this thread; then what the tick
  // adds for a followed browser whose address has not changed: the browser's rectangle,
  // compared with the last one, and the tooltip written again.
  auto* platform = new zq::win32::Win32Platform(::GetModuleHandleW(nullptr));
  zq::BindThread(platform);
  zq::ActiveBrowserInfo info;
  zq::FindActiveBrowser(info);
  Require(info.url == url, "the client's detection reads fakefox's address");
  Require(info.window != 0, "the client's detection finds fakefox's window");
  TooltipIcon icon;
  Require(icon.added, "the shell takes a tray icon");

  size_t sink = 0;
  RECT last{};
  auto detect = [&] {
    zq::ActiveBrowserInfo found;
    zq::FindActiveBrowser(found);
    sink += found.url.size();
    return found;
  };
  auto steadyPath = [&] {
    zq::ActiveBrowserInfo found = detect();
    RECT r{};
    ::GetWindowRect(reinterpret_cast<HWND>(found.window), &r);
    sink += ::EqualRect(&r, &last) ? 1 : 0;
    last = r;
    sink += icon.Set(L"Site: " + found.url) ? 1 : 0;
  };
  // Rounds of all four, one after the other, so that each ratio compares runs made under
  // the same conditions (Wine's DDE times wander from one second to the next).
  std::vector<double> windowMs, ddeMs, bareMs, detectionMs, steadyMs;
  auto time = [](std::vector<double>& into, const std::function<void()>& body) {
    const double t0 = NowMs();
    body();
    into.push_back(NowMs() - t0);
  };
  const double start = NowMs();
  while (bareMs.size() < 400 && (bareMs.size() < 50 || NowMs() - start < 20000)) {
    time(windowMs, [&] { sink += bare.Window(); });
    time(ddeMs, [&] { sink += bare.Request(); });
    time(bareMs, [&] { sink += bare.Window() + bare.Request(); });
    time(detectionMs, [&] { detect(); });
    time(steadyMs, steadyPath);
  }
  Require(::GetForegroundWindow() == frame, "fakefox stayed in front");

  auto summary = [](std::vector<double> v) {
    Timing t;
    t.runs = v.size();
    for (double x : v) t.meanMs += x;
    t.meanMs /= static_cast<double>(v.size());
    std::sort(v.begin(), v.end());
    t.medianMs = v[v.size() / 2];
    return t;
  };
  Timing bareAll = summary(bareMs), detection = summary(detectionMs), steady = summary(steadyMs);
  Print("bare_window_calls", summary(windowMs));
  Print("bare_dde_request", summary(ddeMs));
  Print("bare_unavoidable", bareAll);
  Print("client_detection", detection);
  Print("client_detection_rect_tooltip", steady);
  std::printf("detection_over_bare %.2f x (medians), %.2f x (means)\n",
              detection.medianMs / bareAll.medianMs, detection.meanMs / bareAll.meanMs);
  std::printf("steady_path_over_bare %.2f x (medians), %.2f x (means)\n",
              steady.medianMs / bareAll.medianMs, steady.meanMs / bareAll.meanMs);
  return sink == 0 ? 1 : 0;
}

// ---------------------------------------------------------------------------------------
// follow: the CPU time of one program over SECONDS while the stand-in Firefox is in front:
// the client, enabled and following it with a panel, or a bare poller. The hidden pages
// get no address and the panel starts on the stop marker, so that no page load fails (the
// prefix has no HTML engine) and the client stays enabled.

bool HasDescendant(HWND parent, const wchar_t* className) {
  for (HWND child = ::GetWindow(parent, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT)) {
    wchar_t name[64] = {};
    ::GetClassNameW(child, name, 64);
    if (std::wstring(name) == className || HasDescendant(child, className)) return true;
  }
  return false;
}

int Follow(const std::wstring& what, const std::wstring& fakefox, int seconds,
           const std::wstring& program) {
  Require(seconds > 0 && seconds <= 90,
          "the period is 1 to 90 seconds (fakefox lives two minutes)");
  const bool client = what == L"client";
  Require(client || what == L"window" || what == L"dde", "what is client, window or dde");
  Fakefox fox(fakefox);
  const std::wstring dir = Directory(program), config = dir + L"\\ZQConfig.ini";
  if (client) {
    HANDLE file =
        ::CreateFileW(config.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    const char text[] =
        "[General]\r\nClientLoadURL=\r\nPollingURL=\r\nLastBaseURLNavigated=stoppostbacks\r\n";
    DWORD written = 0;
    Require(file != INVALID_HANDLE_VALUE &&
                ::WriteFile(file, text, sizeof text - 1, &written, nullptr) != 0,
            "the client's configuration is written");
    ::CloseHandle(file);
  }
  const std::wstring line =
      L"\"" + program + L"\"" + (client ? L"" : L" " + what + L" " + std::to_wstring(seconds + 60));
  Started run(line, dir, client ? "the client" : "the poller");
  if (client) {
    Require(WaitStarted(config, 60000), "the client finishes its start-up within 60 s");
    ::Sleep(6000);  // past the splash, which may take the foreground
    fox.Front();
    // Making the panel waits up to 5 s for each of its two web hosts.
    for (int waited = 0; waited < 250 && !HasDescendant(fox.frame, L"ZQFloatWndClassName");
         ++waited)
      ::Sleep(100);
    Require(HasDescendant(fox.frame, L"ZQFloatWndClassName"), "the client follows with a panel");
    ::Sleep(3000);  // the three-tick memory settles
  } else {
    ::Sleep(3000);
  }
  std::string path;
  for (wchar_t c : program) path += static_cast<char>(c);  // the prefix's paths are ASCII
  LinuxProcess unixSide = FindLinuxProcess(path);
  Require(!unixSide.dir.empty(), "the program's Linux process is found");
  // The stand-in Firefox's own time shows how often it was asked for its address.
  LinuxProcess foxSide = FindLinuxProcess(path.substr(0, path.rfind('\\')) + "\\fakefox.exe");
  const double cpu0 = LinuxCpuMs(unixSide), wall0 = NowMs();
  std::map<std::string, double> run0 = LinuxRunMs(unixSide), fox0 = LinuxRunMs(foxSide);
  ::Sleep(static_cast<DWORD>(seconds) * 1000);
  const double cpu1 = LinuxCpuMs(unixSide), wall = NowMs() - wall0;
  std::map<std::string, double> run1 = LinuxRunMs(unixSide), fox1 = LinuxRunMs(foxSide);
  Require(cpu0 >= 0 && cpu1 >= 0 && run0.count("all") && run1.count("all"),
          "the program ran throughout");
  Require(::GetForegroundWindow() == fox.frame, "fakefox stayed in front");
  if (client) {
    Require(HasDescendant(fox.frame, L"ZQFloatWndClassName"),
            "the client stayed enabled, its panel still there");
    if (HWND controller = WaitWindow(run.pi.dwProcessId, L"#32770", 0))
      ::PostMessageW(controller, WM_COMMAND, kExitCommand, 0);
    ::WaitForSingleObject(run.pi.hProcess, 15000);
  }
  const char* name = client ? "client" : what == L"dde" ? "dde_poller" : "window_poller";
  std::printf("follow_%s_wall %.0f ms\n", name, wall);
  std::printf("follow_%s_cpu %.0f ms (stat, 10 ms ticks)\n", name, cpu1 - cpu0);
  std::printf("follow_%s_run %.1f ms (schedstat)\n", name, run1["all"] - run0["all"]);
  std::printf("follow_%s_fakefox_run %.1f ms (schedstat)\n", name, fox1["all"] - fox0["all"]);
  for (const auto& [thread, ms] : run1)  // where it went, thread by thread
    if (thread != "all" && ms - run0[thread] >= 0.5)
      std::printf("  thread %s: %.1f ms\n", thread.c_str(), ms - run0[thread]);
  return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  std::wstring mode = argc > 1 ? argv[1] : L"";
  try {
    if (mode == L"region" && argc == 2) return Region();
    if (mode == L"idle" && argc == 4) return Idle(argv[2], _wtoi(argv[3]));
    if (mode == L"tick" && argc == 3) return Tick(argv[2]);
    if (mode == L"follow" && argc == 6) return Follow(argv[2], argv[3], _wtoi(argv[4]), argv[5]);
  } catch (const Failed& f) {
    std::printf("FAILED: %s\n", f.what.c_str());
    return 1;
  }
  std::fprintf(stderr,
               "usage: zqwinbench region | idle CLIENT-EXE SECONDS | tick FAKEFOX-EXE | follow "
               "client|window|dde FAKEFOX-EXE SECONDS PROGRAM-EXE\n");
  return 2;
}
