// The contract's desktop for the simulated one: a fresh desktop and client process for
// every case, the fake Firefox as the DDE server, and the simulated network.
#include <filesystem>

#include "platform/sim/sim_browsers.h"
#include "platform/sim/sim_desktop.h"
#include "platform/sim/sim_network.h"
#include "tests/contract/contract.h"

namespace zq::contract {
namespace {

const wchar_t* const kModule = L"C:\\Program Files\\Zephquill\\contract.exe";

class SimContractDesktop : public Desktop {
 public:
  bool IsWine() const override { return false; }

  void Run(const std::function<void()>& body) override {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    std::filesystem::path root =
        std::filesystem::path(::testing::TempDir()) / ("zq_contract_" + std::string(info->name()));
    std::filesystem::remove_all(root);
    std::filesystem::create_directories(root);
    sim::Desktop desktop(root.string());
    desktop_ = &desktop;
    desktop.Run([&] {
      std::uint32_t pid = desktop.StartProcess(kModule, kModule, [&] {
        body();
        return 0;
      });
      for (int i = 0; i < 600 && !desktop.Process(pid)->ended; ++i) desktop.SleepMs(1000);
      EXPECT_TRUE(desktop.Process(pid)->ended) << "the case ended within its bound";
    });
    desktop_ = nullptr;
  }

  std::shared_ptr<void> StartFirefox(bool answers, const std::wstring& url,
                                     const std::wstring& title) override {
    sim::SimBrowsers& browsers = sim::Browsers(*desktop_);
    browsers.Open("fox", sim::FakeKind::Firefox, url, title);
    browsers.SetDde("fox", answers ? sim::DdeMode::Answer : sim::DdeMode::Silent);
    return std::shared_ptr<void>(nullptr, [&browsers](void*) { browsers.Close("fox"); });
  }

  void MakeUnreachable(const std::wstring& url) override {
    desktop_->network().At(url).state = sim::SimNetwork::State::Down;
  }

  bool HasHtmlEngine() override { return true; }

 private:
  sim::Desktop* desktop_ = nullptr;
};

}  // namespace

Desktop& TheDesktop() {
  static SimContractDesktop desktop;
  return desktop;
}

}  // namespace zq::contract
