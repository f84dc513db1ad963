// Unit tests of the configuration constants (built through a fake settings reader), of the
// UTF-8 conversion and of TextList splitting.
#include <gtest/gtest.h>

#include <map>
#include <vector>

#include "app/AppConsts.h"
#include "app/ErrorReport.h"
#include "app/Text.h"
#include "platform/sim/sim_desktop.h"
#include "tests/unit/shell_test_util.h"

namespace zq {
namespace {

// A configuration file as a map; records every key read, in order.
struct FakeConfig {
  std::map<std::wstring, std::wstring> values;
  std::vector<std::wstring> keysRead;

  SettingReader Reader() {
    return [this](const std::wstring& key, const std::wstring& def) {
      keysRead.push_back(key);
      auto it = values.find(key);
      return it == values.end() ? def : it->second;
    };
  }
};

std::vector<std::wstring> Items(const TextList& list) { return list.Items(); }

HResult ConversionError(const std::wstring& text) {
  try {
    SettingToInt32(text);
  } catch (const ComError& e) {
    return e.Code;
  }
  return hr::Ok;
}

// Each entry is read under its own name, in the order of the file the service writes.
TEST(AppConsts, EveryEntryIsReadByItsNameInOrder) {
  FakeConfig config;
  CAppConsts c(config.Reader());
  const std::vector<std::wstring> expectedOrder = {
      L"StopPostBacksURL",     L"ClosedFltWndURL",       L"MinFltWndURL",
      L"WhereAreMyFriendsURL", L"ZQSettingsURL",         L"MyEventsURL",
      L"ManageMyFriendsURL",   L"ClientLoadURL",         L"PollingURL",
      L"ZephquillProtocolURL", L"ZephquillCMDURL",       L"ZephquillWParamURL",
      L"ZephquillLParamURL",   L"ZephquillSeparatorURL", L"UpdateClientURL",
      L"DefaultNotifyURL",     L"ZQFloatWndClassName",   L"WindowsStartupKey",
      L"OnAboutURL",           L"SendFeedbackURL",       L"ConnectionAliveStaticCheckURL",
      L"FLT_WND_Y_OFFSET",     L"FLT_WND_X_OFFSET",      L"FLT_WND_ICON_OFFSET",
      L"FLT_WND_X_PADDING",    L"FLT_WND_Y_PADDING",     L"FLT_WND_MIN_HEIGHT",
      L"FLT_WND_MIN_WIDTH"};
  EXPECT_EQ(config.keysRead, expectedOrder);
}

TEST(AppConsts, FileValuesOverrideDefaults) {
  FakeConfig config;
  config.values[L"PollingURL"] = L"";
  config.values[L"MinFltWndURL"] = L"HTTP://Host.Example/PANEL/Min.ASPX?Mode=SMALL";
  config.values[L"StopPostBacksURL"] = L"StopHERE";
  config.values[L"ZQSettingsURL"] = L"http://X/Settings?Tab=A";
  config.values[L"MyEventsURL"] = L"http://x/MyEvents";
  config.values[L"FLT_WND_MIN_WIDTH"] = L"  1024\t";
  config.values[L"FLT_WND_Y_OFFSET"] = L"-7";
  config.values[L"ExcludedStartWithURL"] = L"ftp:;news:";
  CAppConsts c(config.Reader());
  EXPECT_EQ(c.PollingURL, L"");  // present but empty is not the default
  EXPECT_EQ(c.MinFltWndURL, L"http://host.example/panel/min.aspx?mode=small");
  EXPECT_EQ(c.StopPostBacksURL, L"stophere");
  EXPECT_EQ(c.ZQSettingsURL, L"http://X/Settings?Tab=A");  // other rows keep their case
  EXPECT_EQ(c.MyEventsURL, L"http://x/MyEvents");
  EXPECT_EQ(c.FLT_WND_MIN_WIDTH, 1024);
  EXPECT_EQ(c.FLT_WND_Y_OFFSET, -7);
  EXPECT_EQ(Items(c.ExcludedStartWithDefaults),
            (std::vector<std::wstring>{L"about:", L"file:", L"http:///"}));
  EXPECT_EQ(c.ExcludedStartWithDefaults.Separator(), L";");
}

TEST(AppConsts, BadNumberEntryFailsConstruction) {
  for (const wchar_t* bad : {L"wide", L"80O", L"", L"9999999999"}) {
    FakeConfig config;
    config.values[L"FLT_WND_MIN_WIDTH"] = bad;
    EXPECT_THROW(CAppConsts c(config.Reader()), ComError) << bad;
  }
}

TEST(AppConsts, NumberConversion) {
  EXPECT_EQ(SettingToInt32(L"0"), 0);
  EXPECT_EQ(SettingToInt32(L" +42 "), 42);
  EXPECT_EQ(SettingToInt32(L"2147483647"), 2147483647);
  EXPECT_EQ(SettingToInt32(L"-2147483648"), -2147483647 - 1);
  EXPECT_EQ(SettingToInt32(L"000000000000000123"), 123);
  EXPECT_EQ(ConversionError(L"2147483648"), hr::Overflow);
  EXPECT_EQ(ConversionError(L"-2147483649"), hr::Overflow);
  EXPECT_EQ(ConversionError(L"123456789012345678901234567890"), hr::Overflow);
  EXPECT_EQ(ConversionError(L"99999999999x"), hr::TypeMismatch);
  EXPECT_EQ(ConversionError(L"abc"), hr::TypeMismatch);
  EXPECT_EQ(ConversionError(L"   "), hr::TypeMismatch);
  EXPECT_EQ(ConversionError(L"-"), hr::TypeMismatch);
  EXPECT_EQ(ConversionError(L"1 2"), hr::TypeMismatch);
  EXPECT_EQ(ConversionError(L"--1"), hr::TypeMismatch);
}

// At the end of the process the constants go with their last holder, and a late caller
// gets a failure instead of a second set built without the controller.
TEST(AppConsts, DestroyedConstantsStayWithTheirHolderAndAreNotBuiltAgain) {
  sim::Desktop desktop(testing::FreshRoot());
  desktop.Run([&] {
    desktop.StartProcess(L"C:\\client.exe", L"client", [] {
      std::shared_ptr<const CAppConsts> held = HoldAppConsts();
      DestroyAppConsts();
      EXPECT_EQ(held->FLT_WND_MIN_WIDTH, 800);
      EXPECT_THROW(GetAppConsts(), ComError);
      return 0;
    });
    desktop.SleepMs(10);
  });
}

TEST(Text, Utf8BothWaysWithStrayBytesReplaced) {
  EXPECT_EQ(FromUtf8("a\x80z\xC3\xA9\xE2\x82\xAC"), L"a\uFFFDz\u00e9\u20ac");
  EXPECT_EQ(ToUtf8(L"a\u00e9\u20ac"), "a\xC3\xA9\xE2\x82\xAC");
}

TEST(TextList, SplitPieces) {
  TextList list;
  list.Split(L"a; b ;;c");
  EXPECT_EQ(Items(list), (std::vector<std::wstring>{L"a", L"b", L"", L"c"}));

  TextList leading;
  leading.Split(L";x");
  EXPECT_EQ(Items(leading), (std::vector<std::wstring>{L"", L"x"}));

  TextList trailing;
  trailing.Split(L"x;");  // a closing separator adds no empty item
  EXPECT_EQ(Items(trailing), (std::vector<std::wstring>{L"x"}));

  TextList blanks;
  blanks.Split(L" \t ;;");
  EXPECT_EQ(Items(blanks), (std::vector<std::wstring>{L"", L""}));

  TextList empty;
  empty.Split(L"");
  EXPECT_EQ(empty.Count(), 0);

  TextList wide(L"::");
  wide.Split(L"a::b:c:: d");
  EXPECT_EQ(Items(wide), (std::vector<std::wstring>{L"a", L"b:c", L"d"}));

  TextList overlapping(L"aa");  // separators are found from the left; the tail stays
  overlapping.Split(L"aaa");
  EXPECT_EQ(Items(overlapping), (std::vector<std::wstring>{L"", L"a"}));
}

TEST(TextList, AppendIndexAndClear) {
  TextList list;
  list.Split(L"one;two");
  list.Append(L"three");
  EXPECT_EQ(list.Count(), 3);
  EXPECT_EQ(list.Item(1), L"one");
  EXPECT_EQ(list.Item(3), L"three");
  EXPECT_THROW(list.Item(0), std::out_of_range);
  EXPECT_THROW(list.Item(4), std::out_of_range);

  list.AppendList(list);  // appending a list to itself doubles it
  EXPECT_EQ(list.Count(), 6);
  EXPECT_EQ(list.Item(4), L"one");

  list.Clear();
  EXPECT_EQ(list.Count(), 0);
  EXPECT_EQ(list.Separator(), L";");
}

}  // namespace
}  // namespace zq
