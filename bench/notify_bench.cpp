// Benchmarks of the notification and status paths: the notification page's query, the
// show decision for an identifier already shown, and a status line into a nearly full box.
#include <benchmark/benchmark.h>

#include <filesystem>

#include "app/ClientApp.h"
#include "app/ClientProcess.h"
#include "app/CommandText.h"
#include "app/Messages.h"
#include "controller/ClientDlg.h"
#include "controller/StatusDlg.h"
#include "platform/sim/sim_desktop.h"

namespace {

void BM_NotificationQuery(benchmark::State& state) {
  for (auto _ : state)
    benchmark::DoNotOptimize(
        zq::NotificationQuery(L"123456", L"true", L"site", L"sport~weather & news~local"));
}
BENCHMARK(BM_NotificationQuery);

// The same query with the values pasted in as they are, nothing encoded.
void BM_Ref_ConcatenateNotificationQuery(benchmark::State& state) {
  const std::wstring id = L"123456", site = L"true", type = L"site",
                     words = L"sport~weather & news~local";
  for (auto _ : state)
    benchmark::DoNotOptimize(L"MurmelId=" + id + L"&IsNotify=1&IsPerSite=" + site + L"&ctype=" +
                             type + L"&keywords=" + words + L"&");
}
BENCHMARK(BM_Ref_ConcatenateNotificationQuery);

// Runs `body(process, controller)` inside a started client on a fresh simulated desktop.
template <class F>
void WithClient(const char* name, F&& body) {
  auto root = std::filesystem::temp_directory_path() / name;
  std::filesystem::remove_all(root);
  zq::sim::Desktop desktop(root.string());
  std::filesystem::create_directories(desktop.HostPath(L"C:\\Program Files\\Zephquill"));
  desktop.Run([&] {
    std::uint32_t pid = desktop.StartProcess(
        L"C:\\Program Files\\Zephquill\\ZephquillClient.exe",
        L"\"C:\\Program Files\\Zephquill\\ZephquillClient.exe\"", [] { return zq::ClientMain(); });
    desktop.SleepMs(5000);
    zq::sim::SimProcess* p = desktop.Process(pid);
    zq::BindThread(p);
    body(desktop, *p, *zq::Proc().App->Controller);
    zq::BindThread(nullptr);
  });
  std::filesystem::remove_all(root);
}

// "shownotificationmsg" for an identifier already shown: the setting read, the number
// conversion and the set lookup, through the controller's message.
void BM_ShowNotificationAlreadyShown(benchmark::State& state) {
  WithClient(
      "zq_notify_bench", [&](zq::sim::Desktop& d, zq::sim::SimProcess& p, zq::CClientDlg& c) {
        c.NotificationContent.ContentId = L"42";
        c.ShownContentIds.insert(42);
        for (auto _ : state) {
          p.windows().Post(c.Hwnd(), zq::UM_PANEL_COMMAND, zq::GiveText(L"shownotificationmsg"),
                           zq::GiveLParamText(L"5000"));
          d.SleepMs(0);
        }
      });
}
BENCHMARK(BM_ShowNotificationAlreadyShown)->MeasureProcessCPUTime();

// One 80-character status line into a box that holds about 100,000 characters.
void BM_StatusLineIntoFullBox(benchmark::State& state) {
  WithClient("zq_status_bench",
             [&](zq::sim::Desktop& d, zq::sim::SimProcess& p, zq::CClientDlg& c) {
               p.windows().Post(c.Hwnd(), zq::UM_SHOW_STATUS_WINDOW, 0, 0);
               d.SleepMs(10);
               const std::wstring line(78, L'x');
               const std::wstring fill(100000, L'y');
               c.StatusWindow->AddLine(fill);
               std::size_t held = fill.size();
               for (auto _ : state) {
                 c.AddStatusLine(line + L"\r\n");
                 d.SleepMs(0);
                 held = held > zq::CStatusDlg::kMaxText ? line.size() + 2 : held + line.size() + 2;
                 if (held < fill.size()) {  // the box started afresh: fill it again, untimed
                   state.PauseTiming();
                   c.StatusWindow->AddLine(fill);
                   held += fill.size();
                   state.ResumeTiming();
                 }
               }
             });
}
BENCHMARK(BM_StatusLineIntoFullBox)->MeasureProcessCPUTime();

}  // namespace
