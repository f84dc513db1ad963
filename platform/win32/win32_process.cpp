// The running process on Windows: clock, worker threads and critical sections, the
// program's identity, starting programs, files, named mutexes and system facts.
#include "platform/win32/win32_backend.h"

#include <objbase.h>
#include <process.h>

#include <algorithm>
#include <functional>

namespace zq::win32 {

namespace {

class Win32Clock : public Clock {
 public:
  std::int64_t Now() override {
    FILETIME ft{};
    ::GetSystemTimeAsFileTime(&ft);
    ULARGE_INTEGER t;
    t.LowPart = ft.dwLowDateTime;
    t.HighPart = ft.dwHighDateTime;
    constexpr std::uint64_t kTicksPerSecond = 10000000ull;
    constexpr std::uint64_t kEpochDifference = 11644473600ull;  // 1601 to 1970, seconds
    return static_cast<std::int64_t>(t.QuadPart / kTicksPerSecond - kEpochDifference);
  }
  LocalTime Local() override {
    SYSTEMTIME st{};
    ::GetLocalTime(&st);
    LocalTime lt;
    lt.year = st.wYear;
    lt.month = st.wMonth;
    lt.day = st.wDay;
    lt.hour = st.wHour;
    lt.minute = st.wMinute;
    lt.second = st.wSecond;
    lt.dayOfWeek = st.wDayOfWeek;
    return lt;
  }
  std::uint64_t TickMs() override { return ::GetTickCount64(); }
  void Sleep(unsigned ms) override { ::Sleep(ms); }
};

class Win32Lock : public Lock {
 public:
  void Enter() override { cs_.Enter(); }
  void Leave() override { cs_.Leave(); }

 private:
  CriticalSection cs_;
};

struct ThreadStart {
  Platform* platform;
  std::function<void()> body;
};

// A worker's entry: binds the thread to the process's platform and runs the body. Nothing
// may unwind out of a thread's entry.
unsigned __stdcall ThreadEntry(void* argument) {
  std::unique_ptr<ThreadStart> start(static_cast<ThreadStart*>(argument));
  BindThread(start->platform);
  try {
    start->body();
  } catch (...) {
  }
  return 0;
}

class Win32Threads : public Threads {
 public:
  explicit Win32Threads(Platform& platform) : platform_(platform) {}
  bool Start(std::function<void()> body) override {
    auto start = std::make_unique<ThreadStart>(ThreadStart{&platform_, std::move(body)});
    std::uintptr_t handle = ::_beginthreadex(nullptr, 0, &ThreadEntry, start.get(), 0, nullptr);
    if (handle == 0) return false;
    start.release();  // NOLINT(bugprone-unused-return-value): the thread owns it now
    ::CloseHandle(reinterpret_cast<HANDLE>(handle));
    return true;
  }
  std::unique_ptr<Lock> NewLock() override { return std::make_unique<Win32Lock>(); }
  std::uint32_t CurrentThreadId() override { return ::GetCurrentThreadId(); }

 private:
  Platform& platform_;
};

// Calls `get(buffer, size)` with growing buffers until the answer fits; `get` returns the
// number of characters written, or 0 on failure.
template <class Get>
std::wstring GrowingText(Get get) {
  std::wstring buffer(MAX_PATH, L'\0');
  for (int round = 0; round < 8; ++round) {
    DWORD n = get(buffer.data(), static_cast<DWORD>(buffer.size()));
    if (n == 0) return std::wstring();
    if (n < buffer.size()) {
      buffer.resize(n);
      return buffer;
    }
    buffer.assign(std::max<size_t>(n + 1, buffer.size() * 2), L'\0');
  }
  return std::wstring();
}

class Win32Processes : public Processes {
 public:
  std::wstring CommandLine() override { return ::GetCommandLineW(); }
  std::wstring ModulePath() override {
    return GrowingText([](wchar_t* b, DWORD n) {
      DWORD got = ::GetModuleFileNameW(nullptr, b, n);
      return got >= n ? n : got;  // a cut path asks for a larger buffer
    });
  }
  std::wstring ShortPath(const std::wstring& path) override {
    std::wstring s =
        GrowingText([&](wchar_t* b, DWORD n) { return ::GetShortPathNameW(path.c_str(), b, n); });
    return s.empty() ? path : s;
  }
  bool IsElevated() override {
    HANDLE token = nullptr;
    if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, &token)) return false;
    TOKEN_ELEVATION elevation{};
    DWORD size = 0;
    bool known = ::GetTokenInformation(token, TokenElevation, &elevation, sizeof elevation, &size);
    ::CloseHandle(token);
    return known && elevation.TokenIsElevated != 0;
  }
  std::wstring TempPath() override {
    return GrowingText([](wchar_t* b, DWORD n) { return ::GetTempPathW(n, b); });
  }
  bool CreateProcess(const std::wstring& commandLine) override {
    std::wstring line = commandLine;  // CreateProcessW may write into the line
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    if (!::CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, CREATE_DEFAULT_ERROR_MODE,
                          nullptr, nullptr, &si, &pi))
      return false;
    UniqueHandle process(pi.hProcess), thread(pi.hThread);
    return true;
  }
  unsigned WinExec(const std::string& commandLine, int show) override {
    return ::WinExec(commandLine.c_str(), static_cast<UINT>(show));
  }
  bool MoveFile(const std::wstring& from, const std::wstring& to, unsigned flags) override {
    return ::MoveFileExW(from.c_str(), to.c_str(), flags) != 0;
  }
  bool DeleteFile(const std::wstring& path) override { return ::DeleteFileW(path.c_str()) != 0; }
  std::uintptr_t CreateNewFile(const std::wstring& path) override {
    HANDLE file = ::CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    return file == INVALID_HANDLE_VALUE ? 0 : reinterpret_cast<std::uintptr_t>(file);
  }
  unsigned WriteToFile(std::uintptr_t file, const char* data, unsigned size) override {
    DWORD written = 0;
    if (!::WriteFile(reinterpret_cast<HANDLE>(file), data, size, &written, nullptr)) return 0;
    return written;
  }
  void CloseFile(std::uintptr_t file) override {
    if (file) ::CloseHandle(reinterpret_cast<HANDLE>(file));
  }
  // The Machine field of the running image's file header.
  std::uint16_t ModuleMachine() override {
    auto* base = reinterpret_cast<const unsigned char*>(::GetModuleHandleW(nullptr));
    auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
    auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    return nt->FileHeader.Machine;
  }
  [[noreturn]] void ExitProcess(int code) override { ::ExitProcess(static_cast<UINT>(code)); }
};

class Win32Mutexes : public Mutexes {
 public:
  MutexHandle Create(const std::wstring& name, bool& alreadyExisted) override {
    HANDLE mutex = ::CreateMutexW(nullptr, FALSE, name.c_str());
    alreadyExisted = ::GetLastError() == ERROR_ALREADY_EXISTS;
    return reinterpret_cast<MutexHandle>(mutex);
  }
  void Close(MutexHandle mutex) override {
    if (mutex) ::CloseHandle(reinterpret_cast<HANDLE>(mutex));
  }
};

std::optional<std::wstring> FormatSystemMessage(DWORD code) {
  wchar_t* text = nullptr;
  DWORD n = ::FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, code, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
  if (n == 0 || !text) return std::nullopt;
  std::wstring out(text, n);
  ::LocalFree(text);
  return out;
}

class Win32System : public System {
 public:
  // The system's text for the code; a code made from a system error number falls back to
  // that number's text where the message table knows only the plain number.
  std::optional<std::wstring> ErrorText(std::int32_t code) override {
    auto value = static_cast<DWORD>(code);
    if (auto text = FormatSystemMessage(value)) return text;
    if ((value & 0xFFFF0000u) == 0x80070000u) return FormatSystemMessage(value & 0xFFFFu);
    return std::nullopt;
  }
  int MajorVersion() override { return LOBYTE(LOWORD(::GetVersion())); }
  int PlatformId() override {
    OSVERSIONINFOW info{};
    info.dwOSVersionInfoSize = sizeof info;
    if (!::GetVersionExW(&info)) return VER_PLATFORM_WIN32_NT;
    return static_cast<int>(info.dwPlatformId);
  }
};

}  // namespace

std::unique_ptr<Clock> NewClock() { return std::make_unique<Win32Clock>(); }
std::unique_ptr<Threads> NewThreads(Platform& platform) {
  return std::make_unique<Win32Threads>(platform);
}
std::unique_ptr<Processes> NewProcesses() { return std::make_unique<Win32Processes>(); }
std::unique_ptr<Mutexes> NewMutexes() { return std::make_unique<Win32Mutexes>(); }
std::unique_ptr<System> NewSystem() { return std::make_unique<Win32System>(); }

}  // namespace zq::win32
