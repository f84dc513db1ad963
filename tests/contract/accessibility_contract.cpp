// Contract cases of the accessibility seam: the program behind a window, and calls on what
// is not there, which detection of today's browsers relies on.
#include "tests/contract/contract.h"

namespace zq::contract {
namespace {

// A window's program is its process's executable, by file name; a gone window has none,
// and element calls on no element fail without reaching any program.
TEST(AccessibilityContract, ProgramOfAWindowAndCallsOnNothing) {
  TheDesktop().Run([] {
    Accessibility& a = Plat().accessibility();
    Recorder r;
    WindowHandle w = Open(r);
    WindowProgram program;
    ASSERT_TRUE(a.ProgramOf(w, program));
    std::wstring module = Plat().processes().ModulePath();
    EXPECT_EQ(program.executable, module.substr(module.find_last_of(L"\\/") + 1));
    EXPECT_NE(program.pid, 0u);
    Plat().windows().Destroy(w);
    EXPECT_FALSE(a.ProgramOf(w, program));
    std::wstring value = L"left over";
    AccessibleElement found = 1;
    EXPECT_EQ(a.Value(0, 100, value), AccessResult::Failed);
    EXPECT_EQ(value, L"");
    EXPECT_EQ(a.FindFirst(0, {}, {}, 100, found), AccessResult::Failed);
    EXPECT_EQ(found, 0u);
    a.Release(0);
  });
}

}  // namespace
}  // namespace zq::contract
