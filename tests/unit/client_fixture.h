// A whole client process on a fresh simulated desktop, for tests that drive the controller
// through its messages and read its state between its turns.
#pragma once
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "app/ClientApp.h"
#include "app/ClientProcess.h"
#include "app/CommandText.h"
#include "app/Messages.h"
#include "controller/ClientDlg.h"
#include "platform/sim/sim_desktop.h"
#include "platform/sim/sim_profile.h"
#include "tests/unit/shell_test_util.h"

namespace zq::testing {

inline const wchar_t* const kModule = L"C:\\Program Files\\Zephquill\\ZephquillClient.exe";
inline const wchar_t* const kConfig = L"C:\\Program Files\\Zephquill\\ZQConfig.ini";

class ClientFixture : public ::testing::Test {
 protected:
  ClientFixture() : desktop(FreshRoot()) {
    std::filesystem::create_directories(desktop.HostPath(L"C:\\Program Files\\Zephquill"));
  }

  void Config(const std::wstring& key, const std::wstring& value) {
    desktop.profile().WriteString(L"General", key, value, kConfig);
  }
  // A key of the configuration file, or "<absent>".
  std::wstring Setting(const std::wstring& key) {
    std::wstring out;
    desktop.profile().ReadString(L"General", key, L"<absent>", out, 1024, kConfig);
    return out;
  }

  // Starts the client and lets it run `settleMs` (start-up ends at 3 s, the first tick at 4 s);
  // `before` runs on its main thread before the client does.
  void StartClient(unsigned settleMs = 3500, std::function<void()> before = {}) {
    pid = desktop.StartProcess(kModule, L"\"" + std::wstring(kModule) + L"\"", [before] {
      if (before) before();
      return ClientMain();
    });
    desktop.SleepMs(10);
    if (CClientDlg* c = Controller())
      c->StatusListener = [this](const std::wstring& line) { status.push_back(line); };
    desktop.SleepMs(settleMs - 10);
  }

  CClientApp* App() {
    sim::SimProcess* p = desktop.Process(pid);
    if (!p || p->ended || !p->state()) return nullptr;
    return static_cast<ClientProcess&>(*p->state()).App.get();
  }
  CClientDlg* Controller() { return App() ? App()->Controller : nullptr; }
  Windows& Win() { return desktop.Process(pid)->windows(); }

  // Posts a message to the controller and lets the client handle it.
  void Post(unsigned message, WParam wParam, LParam lParam) {
    ASSERT_NE(Controller(), nullptr);
    Win().Post(Controller()->Hwnd(), message, wParam, lParam);
    desktop.SleepMs(10);
  }
  // A page command as a panel passes it on: two texts that the controller owns.
  void PageCommand(const std::wstring& word, const std::wstring& argument) {
    Post(UM_PANEL_COMMAND, GiveText(word), GiveLParamText(argument));
  }

  // Runs `body` as if on a thread of the client process (for direct calls).
  template <class F>
  auto AsClient(F&& body) {
    BindThread(desktop.Process(pid));
    struct Unbind {
      ~Unbind() { BindThread(nullptr); }
    } unbind;
    return body();
  }

  std::wstring Tooltip() { return Controller()->TrayIcon.Tooltip(); }

  size_t StatusWith(const std::wstring& fragment) const {
    size_t n = 0;
    for (const std::wstring& line : status) n += line.find(fragment) != std::wstring::npos;
    return n;
  }

  sim::Desktop desktop;
  std::uint32_t pid = 0;
  std::vector<std::wstring> status;
};

}  // namespace zq::testing

// A test of a ClientFixture whose body runs inside the desktop's Run.
#define ZQ_ON_DESKTOP_TEST(fixture, name) ZQ_TEST_RUN_BY(desktop.Run, fixture, name)
