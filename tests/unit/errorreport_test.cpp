// Unit tests of the report line (with the built-in system texts), the raising helpers, the
// guarded blocks and the ownership of texts carried in message parameters.
#include <gtest/gtest.h>

#include <stdexcept>

#include "app/CommandText.h"
#include "app/ErrorReport.h"
#include "tests/unit/shell_test_util.h"

namespace zq {
namespace {

constexpr HResult Code(std::uint32_t u) { return static_cast<HResult>(u); }

HResult CodeThrownBy(const std::function<void()>& body) {
  try {
    body();
  } catch (const ComError& e) {
    return e.Code;
  }
  return hr::Ok;
}

// The system's text comes first for ordinary codes (the low interface-specific range, code
// part up to 0x200, counts as ordinary); above it the component's description wins. Texts
// are never formats.
TEST(FormatErrorLine, SystemOrComponentText) {
  ComError bare(hr::Fail);  // a system text that is only a line end leaves nothing
  bare.SystemText = ErrorMessageFrom(hr::Fail, std::wstring(L"\r\n"));
  ComError described(hr::Fail, L"Component says");
  described.SystemText = L"";
  ComError inserts(hr::Fail);
  inserts.SystemText = L"Value %1 is %2";
  const std::wstring percent = L"Cannot open http://a/%41%s%d%ls%n?q=100%";
  const std::wstring failed = L". Error Code = 0x80004005, Error Message: ";
  const struct {
    std::wstring text;
    ComError error;
    std::wstring line;
  } cases[] = {
      {L"Cannot open", ComError(hr::Fail), L"Cannot open" + failed + L"Unspecified error   "},
      {L"T", ComError(hr::AccessDenied),
       L"T. Error Code = 0x80070005, Error Message: Access is denied.   "},
      {L"T", ComError(hr::Fail, L"from component"), L"T" + failed + L"Unspecified error   "},
      {L"T", ComError(Code(0x80040154u), L"from component"),
       L"T. Error Code = 0x80040154, Error Message: Class not registered   "},
      {L"Go", ComError(Code(0x80040201u), L"Page refused"), L"Go. Page refused   "},
      {L"Go", ComError(Code(0x80040201u)),
       L"Go. Error Code = 0x80040201, Error Message: IDispatch error #1   "},
      {L"T", ComError(Code(0x8004FFFFu), L""),
       L"T. Error Code = 0x8004ffff, Error Message: IDispatch error #65023   "},
      {L"T", ComError(Code(0x800C0005u)),
       L"T. Error Code = 0x800c0005, Error Message: Unknown error 0x800C0005   "},
      {L"T", bare, L"T" + failed + L"An error occurred   "},
      {L"T", described, L"T. Component says   "},
      {percent, ComError(Code(0x80040205u), L"50% %s done %n"), percent + L". 50% %s done %n   "},
      {L"%x", inserts, L"%x" + failed + L"Value %1 is %2   "}};
  for (const auto& c : cases) EXPECT_EQ(FormatErrorLine(c.text, c.error), c.line);
}

TEST(FormatErrorLine, FallbacksAndLineEndsOfSystemTexts) {
  EXPECT_EQ(ErrorMessageFrom(Code(0x80040200u), std::nullopt), L"Unknown error 0x80040200");
  EXPECT_EQ(ErrorMessageFrom(Code(0x80001234u), std::nullopt), L"Unknown error 0x80001234");
  EXPECT_EQ(ErrorMessageFrom(Code(0x0000ABCDu), std::wstring()), L"Unknown error 0xABCD");
  const std::pair<std::wstring, std::wstring> ends[] = {
      {L"Abc\r\n", L"Abc"},         {L"Abc\n", L"Abc"}, {L"Abc\r", L"Abc"},
      {L"Abc\r\n\r\n", L"Abc\r\n"}, {L"\n", L"\n"},     {L"A\r\nB", L"A\r\nB"}};
  for (const auto& [text, kept] : ends) EXPECT_EQ(ErrorMessageFrom(hr::Fail, text), kept);
}

TEST(ErrorRaising, CodesOfTheHelpers) {
  const std::pair<std::function<void()>, HResult> cases[] = {
      {[] { ThrowIfFailed(hr::False); }, hr::Ok},
      {[] { ThrowIfFailed(hr::NoInterface); }, hr::NoInterface},
      {[] { ThrowFail(); }, hr::Fail},
      {[] { ThrowIfNull(static_cast<int*>(nullptr)); }, hr::Pointer}};
  for (const auto& [body, code] : cases) EXPECT_EQ(CodeThrownBy(body), code);
  try {
    ThrowIfFailed(Code(0x80040201u), std::wstring(L"why"));
    FAIL() << "no throw";
  } catch (const ComError& e) {
    EXPECT_EQ(e.Description(), L"why");
  }
}

class GuardedBlock : public testing::ShellTest {};

TEST_F(GuardedBlock, ResultsAndProcessExit) {
  int ran = 0;
  EXPECT_TRUE(Guarded(0, L"ok", [&] { ++ran; }));
  EXPECT_FALSE(Guarded(0, L"com", [] { ThrowFail(); }));
  EXPECT_FALSE(Guarded(1, std::wstring(L"other"), [] { throw std::runtime_error("x"); }));
  EXPECT_FALSE(Guarded(2, L"memory", [] { throw std::bad_alloc(); }));
  EXPECT_FALSE(Guarded(-9, L"grave", [] { throw 42; }));
  EXPECT_EQ(ran, 1);

  EXPECT_EQ(GuardedOr(-1, 0, L"value", [] { return 7; }), 7);
  EXPECT_EQ(GuardedOr(-1, 0, L"value", []() -> int { ThrowFail(); }), -1);

  EXPECT_TRUE(Quietly([] {}));
  EXPECT_FALSE(Quietly([] { throw std::logic_error("x"); }));

  // A simulated process end must unwind through every kind of guard.
  EXPECT_THROW(Guarded(0, L"exit", [] { throw ProcessExit{3}; }), ProcessExit);
  EXPECT_THROW(GuardedOr(0, 0, L"exit", []() -> int { throw ProcessExit{3}; }), ProcessExit);
  EXPECT_THROW(Quietly([] { throw ProcessExit{0}; }), ProcessExit);
}

// Only a report at the display threshold or below shows a box, and that box has no owner:
// an owner handle that is no window would make the system refuse to show it.
ZQ_IN_PROCESS_TEST(GuardedBlock, GraveFailuresShowAnOwnerlessBox) {
  desktop.autoAnswer = mb::IdOk;
  Guarded(ErrorDisplayThreshold + 1, L"quiet", [] { ThrowFail(); });
  Guarded(ErrorDisplayThreshold, L"grave", [] { ThrowFail(); });
  ASSERT_EQ(desktop.Boxes().size(), 1u);
  EXPECT_EQ(desktop.Boxes()[0].owner, 0u);
  EXPECT_EQ(desktop.Boxes()[0].caption, L"Sorry but an error occurred");
  EXPECT_EQ(desktop.Boxes()[0].text.rfind(L"grave", 0), 0u);
}

TEST(CommandText, OwnershipPassesWithTheParameter) {
  const std::size_t before = LiveTextCount();
  WParam w = GiveText(L"naverror");
  LParam l = GiveLParamText(L"http://a/?x=%20");
  EXPECT_EQ(LiveTextCount(), before + 2);
  EXPECT_EQ(TakeText(w), L"naverror");
  EXPECT_EQ(TakeText(l), L"http://a/?x=%20");
  EXPECT_EQ(TakeText(0), L"");
  EXPECT_EQ(LiveTextCount(), before);

  WParam forwarded = 0;
  {
    OwnedText word(GiveText(L"Drag"));
    OwnedText arg(GiveLParamText(L"1"));
    EXPECT_EQ(word.Text(), L"Drag");
    forwarded = word.Release();  // passed on to the next receiver
  }
  EXPECT_EQ(LiveTextCount(), before + 1);
  EXPECT_EQ(TakeText(forwarded), L"Drag");

  OwnedText a(GiveText(L"a"));
  a = OwnedText(GiveText(L"b"));  // assigning frees the text held before
  EXPECT_EQ(a.Text(), L"b");
  EXPECT_EQ(LiveTextCount(), before + 1);
  EXPECT_EQ(OwnedText().Text(), L"");
}

}  // namespace
}  // namespace zq
