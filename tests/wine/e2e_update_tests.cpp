// End-to-end tests of the self-update from the reference service: the swap and restart,
// and a cut-off image or a changed byte refused by the system's CNG.
#include <cstdio>

#include "platform/win32/win32_backend.h"
// After the backend's header, which brings windows.h.
#include <wininet.h>
#include "tests/wine/e2e_checks.h"

namespace zq::e2e {
namespace {

const wchar_t kUpdateCommand[] = L"zqwndcmd::CMD:1227~wParam:updateclientversion~lParam:0~";
const wchar_t kUpdateCaption[] = L"Software update service.";

bool Exists(const std::wstring& path) {
  return ::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// The reference service's download folder, as the Wine test script hands it over.
std::wstring DownloadDirectory() {
  wchar_t dir[MAX_PATH] = {};
  DWORD n = ::GetEnvironmentVariableW(L"ZQ_DOWNLOAD_DIR", dir, MAX_PATH);
  Check(n > 0 && n < MAX_PATH, "ZQ_DOWNLOAD_DIR names the service's download folder");
  return dir;
}

// The test build, without a backup, sent the update command once a page's line shows.
struct UpdateRun {
  const std::wstring clientTest, backup;
  const std::string before;  // the test build's bytes
  Session client;
  HWND status = nullptr;  // the status window's message box
  HWND control = nullptr;
  explicit UpdateRun(const std::wstring& exe)
      : clientTest(TestClientOf(exe)),
        backup(DirectoryOf(exe) + L"\\OldExecutable.bak"),
        before((::DeleteFileW(backup.c_str()), ReadAll(clientTest))),
        client(clientTest) {
    control = client.Notifications(20000);
    status = OpenStatusBox(client.run, client.controller);
    Check(SendUntil(
              control, {{L"tracemessage", L"ready_for_update"}},
              [&] { return WaitControlText(status, L"ready_for_update", 2000); }, 30000),
          "the notification window obeys commands; " + StatusText());
    Navigate(control, kUpdateCommand);
  }
  std::string StatusText() const {
    return "status lines: [" + Narrow(ControlText(status, 2000)) + "]";
  }
  // The outcome box, which says `expected`.
  HWND Outcome(const std::wstring& expected) {
    HWND box = Found(WaitWindow(client.run.Pid(), L"#32770", kUpdateCaption, 60000),
                     "an outcome box follows the command; " + StatusText());
    std::wstring text = BoxText(box);
    Check(text.find(expected) != std::wstring::npos,
          "the box says \"" + Narrow(expected) + "\", not: " + Narrow(text) + "; " + StatusText());
    return box;
  }
};

// The download swaps in (the old file as the backup), and "-LoadWithDelay" restarts it.
void UpdateSwapsAndRestarts(const std::wstring& exe) {
  const std::wstring marker = win32::test::ProgramDirectory() + L"zqupdatemarker.exe";
  const std::wstring offered = DownloadDirectory() + L"\\ZephquillClientTest.exe";
  const std::wstring restarted = DirectoryOf(exe) + L"\\restarted.txt";
  // The restart always starts ZephquillClient.exe: here the marker, which records how.
  Check(::CopyFileW(marker.c_str(), exe.c_str(), FALSE) != 0,
        "zqupdatemarker.exe (beside the test driver) replaces the product");
  Check(::CopyFileW(marker.c_str(), offered.c_str(), FALSE) != 0, "the new version is offered");
  const std::string newVersion = ReadAll(offered);
  ::DeleteFileW(restarted.c_str());

  UpdateRun update(exe);
  HWND box = update.Outcome(L"Zephquill updated successfully.");
  Check(ReadAll(update.clientTest) == newVersion,
        "the downloaded file has taken the executable's place");
  Check(ReadAll(update.backup) == update.before, "the old executable is the backup");
  PressOk(box);
  auto code = update.client.run.WaitExit(15000);
  Check(code.has_value() && *code == 0, "the old instance ends with code 0 after the box");
  WaitFor([&] { return !ReadAll(restarted).empty(); }, 10000, 100);
  std::string line = ReadAll(restarted);
  std::wstring commandLine(reinterpret_cast<const wchar_t*>(line.data()),
                           line.size() / sizeof(wchar_t));
  std::wstring expected = L"\"" + exe + L"\" -LoadWithDelay";
  Check(::lstrcmpiW(commandLine.c_str(), expected.c_str()) == 0,
        "the new instance is started as " + Narrow(expected) + ", not " + Narrow(commandLine));
  ::DeleteFileW(offered.c_str());
}

// What the reference service answers for a file of its download folder.
std::string FetchDownload(const std::wstring& name) {
  HINTERNET session = ::InternetOpenW(L"zqe2e", INTERNET_OPEN_TYPE_DIRECT, nullptr, nullptr, 0);
  std::wstring address = L"http://127.0.0.1:8702/Download/" + name;
  HINTERNET request =
      session ? ::InternetOpenUrlW(session, address.c_str(), nullptr, 0, INTERNET_FLAG_RELOAD, 0)
              : nullptr;
  std::string bytes;
  char buffer[4096];
  DWORD got = 0;
  while (request && ::InternetReadFile(request, buffer, sizeof buffer, &got) && got > 0)
    bytes.append(buffer, got);
  if (request) ::InternetCloseHandle(request);
  if (session) ::InternetCloseHandle(session);
  return bytes;
}

// The files a test offers in the service's download folder, removed however it ends.
struct OfferedFiles {
  std::wstring file = DownloadDirectory() + L"\\ZephquillClientTest.exe";
  std::wstring signature = file + L".sig";
  ~OfferedFiles() {
    ::DeleteFileW(file.c_str());
    ::DeleteFileW(signature.c_str());
  }
};

// A refused download never replaces the running executable: the failure box, no backup,
// no temporary copy left, and a status line that says why. (The day of the failure and
// the next command on that day: update_retry.zqs.)
void RefusedUpdateKeepsTheExecutable(const std::wstring& exe, const std::string& why) {
  wchar_t temp[MAX_PATH] = {};
  ::GetTempPathW(MAX_PATH, temp);
  const std::wstring tempCopy = std::wstring(temp) + L"ZephquillClientTest.exe";
  UpdateRun update(exe);
  HWND box = update.Outcome(L"could not update Zephquill");
  PressOk(box);
  Check(WaitGone(box, 5000), "the box goes");
  Check(ReadAll(update.clientTest) == update.before, "the running executable stays in place");
  Check(!Exists(update.backup), "no backup is made");
  Check(!Exists(tempCopy), "the refused download is not left in the temporary folder");
  Check(WaitControlText(update.status, L"Update refused: ", 5000) &&
            update.StatusText().find(why) != std::string::npos,
        "a status line says \"" + why + "\"; " + update.StatusText());
  Check(::IsWindow(update.client.controller), "the client goes on running");
  update.client.Exit();
}

// A cut-off executable, signed as it is by the service.
void TruncatedUpdateKeepsTheExecutable(const std::wstring& exe) {
  OfferedFiles offered;
  const std::string whole = ReadAll(DirectoryOf(exe) + L"\\ZephquillClientTest.exe");
  Check(whole.size() > 8192, "the test build is readable");
  Check(WriteAnsiFile(offered.file, whole.substr(0, whole.size() / 2)), "the file is offered");
  RefusedUpdateKeepsTheExecutable(exe, "the executable is cut off");
}

// A signature made by the service before one byte was changed: Wine's CNG refuses it.
// (Other refusals: the updater's table in zqtests, which runs on CNG here too.)
void TamperedUpdateIsRefused(const std::wstring& exe) {
  OfferedFiles offered;
  std::string image = ReadAll(win32::test::ProgramDirectory() + L"zqupdatemarker.exe");
  Check(image.size() > 4096, "zqupdatemarker.exe lies beside the test driver");
  Check(WriteAnsiFile(offered.file, image), "the file is offered");
  const std::string signature = FetchDownload(L"ZephquillClientTest.exe.sig");
  Check(signature.compare(0, 21, "zq-update-signature 1") == 0,
        "the service signs the offered file: " + signature);
  Check(WriteAnsiFile(offered.signature, signature),
        "the signature is offered");  // the folder's own copy is served from now on
  image[image.size() - 100] ^= 1;
  Check(WriteAnsiFile(offered.file, image), "the file is offered");
  RefusedUpdateKeepsTheExecutable(exe, "does not match the download");
}

const TestRegistration kUpdateTests[] = {
    {"update_swaps_and_restarts", UpdateSwapsAndRestarts},
    {"update_truncated_keeps_executable", TruncatedUpdateKeepsTheExecutable},
    {"update_tampered_refused", TamperedUpdateIsRefused},
};

}  // namespace
}  // namespace zq::e2e
