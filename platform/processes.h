// The process seam: the running program's identity, starting programs, files and the end.
#pragma once
#include <cstdint>
#include <string>

namespace zq {

// Thrown by the simulated desktop's ExitProcess to unwind the simulated process's threads.
// Client code must never swallow it (the error helpers rethrow it).
struct ProcessExit {
  int code;
};

class Processes {
 public:
  virtual ~Processes() = default;
  virtual std::wstring CommandLine() = 0;  // the full line, program path included
  virtual std::wstring ModulePath() = 0;   // full path of the executable
  virtual std::wstring ShortPath(const std::wstring& path) = 0;
  // True when the process runs with administrator rights (an elevated token); false when it
  // does not or when the system cannot tell.
  virtual bool IsElevated() = 0;
  virtual std::wstring TempPath() = 0;  // with a trailing backslash
  // No inheritance, the default error mode, this environment and directory.
  virtual bool CreateProcess(const std::wstring& commandLine) = 0;
  // Like WinExec: a narrow command line; returns a value above 31 on success.
  virtual unsigned WinExec(const std::string& commandLine, int show) = 0;
  virtual bool MoveFile(const std::wstring& from, const std::wstring& to, unsigned flags) = 0;
  virtual bool DeleteFile(const std::wstring& path) = 0;
  // A file for writing, always created anew (an existing one is overwritten), shared for
  // reading and writing, normal attributes (CreateFileW, CREATE_ALWAYS). 0 on failure.
  virtual std::uintptr_t CreateNewFile(const std::wstring& path) = 0;
  // Writes the bytes; returns how many were written.
  virtual unsigned WriteToFile(std::uintptr_t file, const char* data, unsigned size) = 0;
  virtual void CloseFile(std::uintptr_t file) = 0;
  // The machine type in the running executable's image header: 0x014C for i686, 0x8664 for
  // x86_64.
  virtual std::uint16_t ModuleMachine() = 0;
  // Ends the calling process at once; no clean-up runs.
  [[noreturn]] virtual void ExitProcess(int code) = 0;
};

}  // namespace zq
