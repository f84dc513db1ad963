// Tests of the notification-area icon (its record as the shell receives it, what reaches
// the shell while the icon is hidden, shown or gone) and of the notifier popup's region.
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "app/Messages.h"
#include "app/Text.h"
#include "platform/sim/sim_desktop.h"
#include "shell/SystemTray.h"
#include "shell/TaskbarNotifier.h"

namespace fs = std::filesystem;
using namespace zq;

namespace {

std::uint32_t Read32(const std::vector<unsigned char>& b, size_t at) {
  return b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) |
         (static_cast<std::uint32_t>(b[at + 3]) << 24);
}

std::uint16_t Unit(const std::vector<unsigned char>& b, size_t index) {
  return static_cast<std::uint16_t>(b[24 + 2 * index] | (b[25 + 2 * index] << 8));
}

TEST(TrayRecord, LayoutIsTheShellsFirstVersion) {
  NotifyIconData d;
  d.window = 0x10012;
  d.id = 130;
  d.callbackMessage = UM_TRAYICON_CALLBACK;
  d.icon = 0x700C2;
  d.tip = L"Zephquill is DISABLED\r\nYour not visible...";
  std::vector<unsigned char> b = CSystemTray::Serialize(d, nim::FlagIcon | nim::FlagTip);
  ASSERT_EQ(b.size(), 152u);
  EXPECT_EQ(Read32(b, 0), 152u);
  EXPECT_EQ(Read32(b, 4), 0x10012u);
  EXPECT_EQ(Read32(b, 8), 130u);
  EXPECT_EQ(Read32(b, 12), 6u);
  EXPECT_EQ(Read32(b, 16), 0x800Au);
  EXPECT_EQ(Read32(b, 20), 0x700C2u);
  for (size_t i = 0; i < d.tip.size(); ++i) EXPECT_EQ(Unit(b, i), d.tip[i]) << "unit " << i;
  for (size_t i = d.tip.size(); i < 64; ++i) EXPECT_EQ(Unit(b, i), 0) << "unit " << i;
}

TEST(TrayRecord, LongTooltipIsCutTo63UnitsAndTerminated) {
  NotifyIconData d;
  d.tip = std::wstring(40, L'a') + std::wstring(60, L'b');
  std::vector<unsigned char> b = CSystemTray::Serialize(d, nim::FlagTip);
  ASSERT_EQ(b.size(), 152u);
  EXPECT_EQ(Unit(b, 39), L'a');
  EXPECT_EQ(Unit(b, 62), L'b');
  EXPECT_EQ(Unit(b, 63), 0);
}

// 61 'x', a character beyond the basic plane (two UTF-16 units), then 'y'.
std::wstring TipFillingTheLastTwoUnits() {
  return FromUtf8(std::string(61, 'x') + "\xF0\x9F\x98\x80" + "y");
}

TEST(TrayRecord, TooltipUnitsAreUtf16) {
  NotifyIconData d;
  d.tip = TipFillingTheLastTwoUnits();
  std::vector<unsigned char> b = CSystemTray::Serialize(d, nim::FlagTip);
  EXPECT_EQ(Unit(b, 60), L'x');
  EXPECT_EQ(Unit(b, 61), 0xD83D);
  EXPECT_EQ(Unit(b, 62), 0xDE00);
  EXPECT_EQ(Unit(b, 63), 0);
}

// ---------------------------------------------------------------------------------------
// The icon against the simulated shell

class TrayTest : public ::testing::Test {
 protected:
  TrayTest()
      : desktop((fs::path(::testing::TempDir()) /
                 ("zq_tray_" +
                  std::string(::testing::UnitTest::GetInstance()->current_test_info()->name())))
                    .string()) {}

  // Runs the body on the main thread of a fresh process.
  void InProcess(const std::function<void()>& body) {
    desktop.Run([&] {
      desktop.StartProcess(L"C:\\Tools\\tray.exe", L"tray.exe", [&] {
        body();
        return 0;
      });
      desktop.SleepMs(100);
    });
  }

  int ShellCalls() {
    int n = 0;
    for (const std::string& line : desktop.TraceLines())
      if (line.find(" tray icon ") != std::string::npos) ++n;
    return n;
  }

  sim::Desktop desktop;
};

TEST_F(TrayTest, HiddenIconTakesChangesWithoutTheShell) {
  InProcess([&] {
    Resources& r = Plat().resources();
    CSystemTray tray;
    EXPECT_TRUE(tray.AddIcon(0, UM_TRAYICON_CALLBACK, L"Zephquill", r.LoadIcon(194), 130, true));
    EXPECT_TRUE(tray.IsHidden());
    EXPECT_TRUE(tray.ChangeTooltip(L"Zephquill is enabled"));
    EXPECT_TRUE(tray.ChangeIcon(r.LoadIcon(198)));
    EXPECT_EQ(tray.Tooltip(), L"Zephquill is enabled");
    EXPECT_EQ(r.IconId(tray.CurrentIcon()), 198u);
    EXPECT_TRUE(desktop.trayIcons.empty());
    EXPECT_EQ(ShellCalls(), 0);
  });
}

TEST_F(TrayTest, ShownIconPassesChangesAndGoesAwayOnce) {
  InProcess([&] {
    Resources& r = Plat().resources();
    CSystemTray tray;
    ASSERT_TRUE(tray.AddIcon(0, UM_TRAYICON_CALLBACK, L"Zephquill", r.LoadIcon(194), 130, false));
    ASSERT_EQ(desktop.trayIcons.size(), 1u);
    // The icon's window is the tray's own when no parent is given.
    EXPECT_EQ(desktop.trayIcons[0].data.window, tray.Window());
    EXPECT_TRUE(tray.ChangeTooltip(std::wstring(70, L'z')));
    EXPECT_EQ(desktop.trayIcons[0].data.tip, std::wstring(63, L'z'));
    EXPECT_TRUE(tray.ChangeTooltip(TipFillingTheLastTwoUnits()));
    EXPECT_EQ(desktop.trayIcons[0].data.tip, FromUtf8(std::string(61, 'x') + "\xF0\x9F\x98\x80"));
    EXPECT_TRUE(tray.ChangeIconResource(196));
    EXPECT_EQ(r.IconId(desktop.trayIcons[0].data.icon), 196u);

    EXPECT_TRUE(tray.DeleteIcon());
    EXPECT_TRUE(desktop.trayIcons.empty());
    int calls = ShellCalls();
    EXPECT_TRUE(tray.DeleteIcon());
    EXPECT_TRUE(tray.ChangeTooltip(L"after"));
    EXPECT_EQ(ShellCalls(), calls);
  });
}

TEST_F(TrayTest, NewTaskbarGetsTheIconBackWithItsLatestState) {
  InProcess([&] {
    Windows& w = Plat().windows();
    Resources& r = Plat().resources();
    unsigned taskbarCreated = w.RegisterMessage(L"TaskbarCreated");
    CSystemTray tray;
    desktop.failTrayAdds = 1;
    EXPECT_FALSE(tray.AddIcon(0, UM_TRAYICON_CALLBACK, L"Zephquill", r.LoadIcon(194), 130, false));
    EXPECT_TRUE(tray.IsHidden());
    EXPECT_TRUE(tray.IsRemoved());
    EXPECT_TRUE(tray.ChangeTooltip(L"later"));
    EXPECT_TRUE(desktop.trayIcons.empty());

    w.Send(tray.Window(), taskbarCreated, 0, 0);
    ASSERT_EQ(desktop.trayIcons.size(), 1u);
    EXPECT_EQ(desktop.trayIcons[0].data.tip, L"later");
    EXPECT_EQ(desktop.trayIcons[0].data.callbackMessage, UM_TRAYICON_CALLBACK);
    EXPECT_FALSE(tray.IsHidden());

    // The shell restarts and forgets its icons.
    desktop.trayIcons.clear();
    w.Send(tray.Window(), taskbarCreated, 0, 0);
    EXPECT_EQ(desktop.trayIcons.size(), 1u);

    // A deleted icon stays away.
    EXPECT_TRUE(tray.DeleteIcon());
    w.Send(tray.Window(), taskbarCreated, 0, 0);
    EXPECT_TRUE(desktop.trayIcons.empty());
  });
}

TEST_F(TrayTest, WithoutShellSupportEverythingFailsButDelete) {
  desktop.osMajorVersion = 3;
  InProcess([&] {
    CSystemTray tray;
    EXPECT_FALSE(tray.AddIcon(0, UM_TRAYICON_CALLBACK, L"Zephquill", 0, 130, false));
    EXPECT_FALSE(tray.ChangeTooltip(L"x"));
    EXPECT_FALSE(tray.ChangeIcon(0));
    EXPECT_TRUE(tray.DeleteIcon());
    EXPECT_EQ(ShellCalls(), 0);
  });
}

TEST_F(TrayTest, DefaultMenuItemByIdOrByPosition) {
  InProcess([&] {
    CSystemTray tray;
    ASSERT_TRUE(tray.AddIcon(0, UM_TRAYICON_CALLBACK, L"Zephquill", 0, 130, true));
    auto defaults = [&] {
      std::vector<size_t> at;
      const auto& items = tray.Popup()->popup;
      for (size_t i = 0; i < items.size(); ++i)
        if (items[i].isDefault) at.push_back(i);
      return at;
    };
    EXPECT_TRUE(tray.SetDefaultMenuItem(ID_DISABLE_ENABLE, false));
    EXPECT_EQ(defaults(), std::vector<size_t>{10});
    EXPECT_TRUE(tray.SetDefaultMenuItem(4, true));  // "Where Are My Friends..."
    EXPECT_EQ(defaults(), std::vector<size_t>{4});
  });
}

// ---------------------------------------------------------------------------------------
// The notifier's region

constexpr std::uint32_t K = 0xFF00FF;  // the colour key
constexpr std::uint32_t O = 0x123456;  // any other colour

Bitmap Picture(int width, std::vector<std::uint32_t> pixels) {
  Bitmap b;
  b.width = width;
  b.height = static_cast<int>(pixels.size()) / width;
  b.pixels = std::move(pixels);
  return b;
}

std::vector<Rect> Rects(std::initializer_list<Rect> list) { return list; }

TEST(NotifierRegion, RunsPerRowFromTheBottom) {
  Bitmap b = Picture(5, {K, O, O, K, K,
                         O, K, O, O, K,
                         O, O, O, O, O});
  EXPECT_EQ(CTaskbarNotifier::GenerateRegion(b, K),
            Rects({{0, 2, 5, 3}, {0, 1, 1, 2}, {2, 1, 4, 2}, {1, 0, 3, 1}}));
}

TEST(NotifierRegion, RunInTheLastColumnEndsAtTheWidth) {
  Bitmap b = Picture(4, {K, K, K, O,
                         K, O, O, O});
  EXPECT_EQ(CTaskbarNotifier::GenerateRegion(b, K), Rects({{1, 1, 4, 2}, {3, 0, 4, 1}}));
  Bitmap narrow = Picture(1, {O, K, O});
  EXPECT_EQ(CTaskbarNotifier::GenerateRegion(narrow, K), Rects({{0, 2, 1, 3}, {0, 0, 1, 1}}));
}

TEST(NotifierRegion, KeyRowsGiveNothing) {
  Bitmap b = Picture(3, {K, K, K,
                         O, K, O,
                         K, K, K});
  EXPECT_EQ(CTaskbarNotifier::GenerateRegion(b, K), Rects({{0, 1, 1, 2}, {2, 1, 3, 2}}));
  EXPECT_TRUE(CTaskbarNotifier::GenerateRegion(Picture(2, {K, K, K, K}), K).empty());
}

}  // namespace
