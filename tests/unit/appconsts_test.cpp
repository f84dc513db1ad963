// Unit tests of the configuration constants (built through a recording settings reader), of the
// UTF-8 conversion and of TextList splitting (appending: the site rules' tests).
#include <gtest/gtest.h>

#include "app/AppConsts.h"
#include "app/ErrorReport.h"
#include "app/Text.h"
#include "tests/unit/shell_test_util.h"

namespace zq {
namespace {

// Each entry is read under its own name, in the order of the file the service writes.
TEST(AppConsts, EveryEntryIsReadByItsNameInOrder) {
  std::vector<std::wstring> keysRead;
  CAppConsts c([&](const std::wstring& key, const std::wstring& def) {
    keysRead.push_back(key);
    return def;
  });
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
  EXPECT_EQ(keysRead, expectedOrder);
}

// Values from the file, blanks, quotes and lower-cased addresses: config_values.zqs; a
// number setting made of letters: bad_config.zqs.
TEST(AppConsts, NumberConversion) {
  const struct {
    const wchar_t* text;
    int value;
    HResult error;
  } cases[] = {{L" +42 ", 42, hr::Ok},
               {L"2147483647", 2147483647, hr::Ok},
               {L"-2147483648", -2147483647 - 1, hr::Ok},
               {L"000000000000000123", 123, hr::Ok},
               {L"2147483648", 0, hr::Overflow},
               {L"-2147483649", 0, hr::Overflow},
               {L"123456789012345678901234567890", 0, hr::Overflow},
               {L"99999999999x", 0, hr::TypeMismatch},
               {L"80O", 0, hr::TypeMismatch},
               {L"   ", 0, hr::TypeMismatch},
               {L"-", 0, hr::TypeMismatch},
               {L"1 2", 0, hr::TypeMismatch},
               {L"--1", 0, hr::TypeMismatch}};
  for (const auto& c : cases) {
    HResult error = hr::Ok;
    int value = 0;
    try {
      value = SettingToInt32(c.text);
    } catch (const ComError& e) {
      error = e.Code;
    }
    EXPECT_EQ(std::make_pair(value, error), std::make_pair(c.value, c.error)) << c.text;
  }
}

// At the end of the process the constants go with their last holder, and a late caller
// gets a failure instead of a second set built without the controller.
class AppConstsInProcess : public testing::ShellTest {};

ZQ_IN_PROCESS_TEST(AppConstsInProcess, DestroyedConstantsStayWithTheirHolderAndAreNotBuiltAgain) {
  std::shared_ptr<const CAppConsts> held = HoldAppConsts();
  DestroyAppConsts();
  EXPECT_EQ(held->FLT_WND_MIN_WIDTH, 800);
  EXPECT_THROW(GetAppConsts(), ComError);
}

TEST(Text, Utf8BothWaysWithStrayBytesReplaced) {
  EXPECT_EQ(FromUtf8("a\x80z\xC3\xA9\xE2\x82\xAC"), L"a\uFFFDz\u00e9\u20ac");
  EXPECT_EQ(ToUtf8(L"a\u00e9\u20ac"), "a\xC3\xA9\xE2\x82\xAC");
}

TEST(TextList, SplitPieces) {
  const struct {
    const wchar_t *separator, *text;
    std::vector<std::wstring> items;
  } cases[] = {{L";", L"a; b ;;c", {L"a", L"b", L"", L"c"}},
               {L";", L";x", {L"", L"x"}},
               {L";", L"x;", {L"x"}},  // a closing separator adds no empty item
               {L";", L" \t ;;", {L"", L""}},
               {L";", L"", {}},
               {L"::", L"a::b:c:: d", {L"a", L"b:c", L"d"}},
               {L"aa", L"aaa", {L"", L"a"}}};  // found from the left; the tail stays
  for (const auto& c : cases) {
    TextList list(c.separator);
    list.Split(c.text);
    EXPECT_EQ(list.Items(), c.items) << ToUtf8(c.text);
  }
}

}  // namespace
}  // namespace zq
