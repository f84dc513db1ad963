// The tests' helper programs (beside the test program) as running processes: the stand-in
// Firefox and Chromium, and fakefox staged as a silent component server.
#pragma once
#include <windows.h>

#include <optional>
#include <string>

namespace zq::win32::test {

// The directory of the running test program, with a trailing backslash.
inline std::wstring ProgramDirectory() {
  wchar_t exe[MAX_PATH] = {};
  ::GetModuleFileNameW(nullptr, exe, MAX_PATH);
  std::wstring dir(exe);
  dir.resize(dir.find_last_of(L'\\') + 1);
  return dir;
}

// A program (started in `dir`, under `token` when given) ended by force with the object.
class Process {
 public:
  Process(const std::wstring& path, const std::wstring& arguments, const wchar_t* dir = nullptr,
          HANDLE token = nullptr) {
    std::wstring line = L"\"" + path + L"\"" + (arguments.empty() ? L"" : L" " + arguments);
    STARTUPINFOW si{};
    si.cb = sizeof si;
    if (!(token ? ::CreateProcessAsUserW(token, nullptr, line.data(), nullptr, nullptr, FALSE, 0,
                                         nullptr, dir, &si, &pi_)
                : ::CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, dir,
                                   &si, &pi_)))
      pi_ = PROCESS_INFORMATION{};
  }
  ~Process() {
    if (!pi_.hProcess) return;
    if (!WaitExit(0)) {
      ::TerminateProcess(pi_.hProcess, 99);
      ::WaitForSingleObject(pi_.hProcess, 5000);
    }
    ::CloseHandle(pi_.hThread);
    ::CloseHandle(pi_.hProcess);
  }
  Process(const Process&) = delete;
  Process& operator=(const Process&) = delete;
  bool Started() const { return pi_.hProcess != nullptr; }
  DWORD Pid() const { return pi_.dwProcessId; }
  // The exit code once the process has ended within `ms`, else nothing.
  std::optional<DWORD> WaitExit(DWORD ms) {
    DWORD code = 0;
    if (!pi_.hProcess || ::WaitForSingleObject(pi_.hProcess, ms) != WAIT_OBJECT_0 ||
        !::GetExitCodeProcess(pi_.hProcess, &code))
      return std::nullopt;
    return code;
  }

 private:
  PROCESS_INFORMATION pi_{};
};

// A program beside the test program and its first window of `windowClass` (within 10 s).
class HelperProcess : public Process {
 public:
  HelperProcess(const std::wstring& program, const std::wstring& arguments,
                const wchar_t* windowClass)
      : Process(ProgramDirectory() + program, arguments) {
    for (int i = 0; i < 200 && Started() && !frame_; ++i) {
      ::Sleep(50);
      frame_ = ::FindWindowW(windowClass, nullptr);
    }
  }
  ~HelperProcess() {
    if (frame_) ::PostMessageW(frame_, WM_CLOSE, 0, 0);
    WaitExit(5000);
  }
  HWND frame() const { return frame_; }

 private:
  HWND frame_ = nullptr;
};

class FakeFirefox : public HelperProcess {
 public:
  FakeFirefox(const std::wstring& mode, const std::wstring& url, const std::wstring& title)
      : HelperProcess(L"fakefox.exe", mode + L" \"" + url + L"\" \"" + title + L"\"",
                      L"MozillaUIWindowClass") {}
  // Moves to another page (the title and the DDE answer change) and comes to the front.
  bool GoTo(const std::wstring& url, const std::wstring& title) {
    std::wstring text = url + L"\n" + title;
    COPYDATASTRUCT data{0x58464F46, static_cast<DWORD>(text.size() * sizeof(wchar_t)), text.data()};
    DWORD_PTR answer = 0;
    return ::SendMessageTimeoutW(frame(), WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&data),
                                 SMTO_ABORTIFHUNG, 5000, &answer) &&
           answer == TRUE;
  }
};

// fakefox.exe, silent, staged as the local server of a class ("CLSID\\{...}"), which it never
// registers, as a hanging Internet Explorer; the old value comes back when the object goes.
class SilentServer {
 public:
  explicit SilentServer(const std::wstring& clsidKey) : key_(clsidKey + L"\\LocalServer32") {
    wchar_t old[1024] = {};
    DWORD size = sizeof old;
    if (::RegGetValueW(HKEY_CLASSES_ROOT, key_.c_str(), nullptr, RRF_RT_REG_SZ, nullptr, old,
                       &size) == ERROR_SUCCESS)
      old_ = old;
    Set(L"\"" + ProgramDirectory() + L"fakefox.exe\" silent about:blank Silent");
  }
  ~SilentServer() {
    for (int i = 0; i < 50; ++i, ::Sleep(100)) {  // one may still be starting
      if (HWND frame = ::FindWindowW(L"MozillaUIWindowClass", nullptr))
        ::PostMessageW(frame, WM_CLOSE, 0, 0);
      else if (i > 10)
        break;
    }
    Set(old_);
  }
  SilentServer(const SilentServer&) = delete;
  SilentServer& operator=(const SilentServer&) = delete;

 private:
  void Set(const std::wstring& value) const {
    if (value.empty())
      ::RegDeleteKeyValueW(HKEY_CLASSES_ROOT, key_.c_str(), nullptr);
    else
      ::RegSetKeyValueW(HKEY_CLASSES_ROOT, key_.c_str(), nullptr, REG_SZ, value.c_str(),
                        static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
  }
  std::wstring key_, old_;
};

}  // namespace zq::win32::test
