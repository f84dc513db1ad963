// Tests of the registration scripts: reading them, applying and removing them on the
// simulated registry, the module path in them, and the resources matching the .rgs files.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#include "app/ErrorReport.h"
#include "app/Text.h"
#include "automation/ClientTray.h"
#include "automation/RegistryScript.h"
#include "automation/ServerRegistration.h"
#include "platform/sim/sim_registry.h"
#include "resources/ResourceTable.h"
#include "tests/unit/shell_test_util.h"

namespace zq {
namespace {

const wchar_t kScript[] =
    LR"(HKCR
{
	NoRemove Shared
	{
		'It''s Mine' = s 'x'
		{
			val Path = s '%MODULE%'
			val Share = s '100%%'
		}
		ForceRemove Fresh = s 'new'
		{
			Leaf
		}
		Delete Obsolete
	}
}
)";

TEST(RegistryScriptTest, RegisterRewritesForceRemoveKeysAndUnregisterKeepsNoRemoveKeys) {
  sim::SimRegistry reg;
  const RegRoot cr = RegRoot::ClassesRoot;
  reg.CreateKey(cr, L"Shared\\Fresh\\Stale");
  reg.CreateKey(cr, L"Shared\\Obsolete\\Old");
  reg.CreateKey(cr, L"Shared\\Unrelated");
  CRegistryScript script = CRegistryScript::Parse(kScript, {{L"Module", L"C:\\O''Brien\\a.exe"}});
  script.Register(reg);

  EXPECT_EQ(reg.GetString(cr, L"Shared\\It's Mine", L""), L"x");
  EXPECT_EQ(reg.GetString(cr, L"Shared\\It's Mine", L"Path"), L"C:\\O'Brien\\a.exe");
  EXPECT_EQ(reg.GetString(cr, L"Shared\\It's Mine", L"Share"), L"100%");
  EXPECT_EQ(reg.GetString(cr, L"Shared\\Fresh", L""), L"new");
  EXPECT_TRUE(reg.KeyExists(cr, L"Shared\\Fresh\\Leaf"));
  EXPECT_FALSE(reg.KeyExists(cr, L"Shared\\Fresh\\Stale"));  // removed before writing
  EXPECT_FALSE(reg.KeyExists(cr, L"Shared\\Obsolete"));

  std::vector<std::string> once = reg.Dump();
  script.Register(reg);  // again: the same result
  EXPECT_EQ(reg.Dump(), once);

  script.Unregister(reg);
  EXPECT_TRUE(reg.KeyExists(cr, L"Shared"));
  EXPECT_TRUE(reg.KeyExists(cr, L"Shared\\Unrelated"));
  EXPECT_FALSE(reg.KeyExists(cr, L"Shared\\It's Mine"));
  EXPECT_FALSE(reg.KeyExists(cr, L"Shared\\Fresh"));
  script.Unregister(reg);  // nothing left to remove is no failure
}

TEST(RegistryScriptTest, MalformedScriptsAndUnknownNamesFail) {
  for (const wchar_t* text :
       {L"HKCR { Key = s 'unterminated }", L"HKCR { Key { }", L"HKXX { Key }",
        L"HKCR { Key = 'no type' }", L"HKCR { Key = s '%NOSUCH%' }", L"HKCR { val Top = s 'x' }"}) {
    SCOPED_TRACE(ToUtf8(text));
    EXPECT_THROW(CRegistryScript::Parse(text, {{L"MODULE", L"m"}}), ComError);
  }
}

// A file of the source tree; nothing when the tests run where the tree is not reachable.
std::optional<std::string> SourceFile(const char* relative) {
  std::ifstream in(std::filesystem::path(__FILE__).parent_path() / "../.." / relative,
                   std::ios::binary);
  if (!in) return std::nullopt;
  return std::string(std::istreambuf_iterator<char>(in), {});
}

TEST(RegistryScriptTest, ResourcesHoldTheScriptFilesThatTheExecutableIsBuiltWith) {
  std::optional<std::string> app = SourceFile("resources/ZephquillClient.rgs");
  std::optional<std::string> tray = SourceFile("resources/ClientTray.rgs");
  if (!app || !tray) GTEST_SKIP() << "the source tree is not reachable from here";
  EXPECT_EQ(resources::Raw(L"REGISTRY", IDR_CLIENT_APP_SCRIPT), *app);
  EXPECT_EQ(resources::Raw(L"REGISTRY", IDR_CLIENT_TRAY_SCRIPT), *tray);
  EXPECT_NE(tray->find(ToUtf8(kClsidClientTray)), std::string::npos);
  EXPECT_NE(tray->find(ToUtf8(kLibIdClientLib)), std::string::npos);
  EXPECT_NE(app->find(ToUtf8(kAppIdClient)), std::string::npos);
}

// The whole registration in a process whose path holds single quotes: the machine's classes
// when elevated (the user's own without administrator rights: registration.zqs), and an
// elevated unregistration removes both.
TEST(ServerRegistrationTest, PerUserUnlessElevatedWithTheServerPathQuoted) {
  sim::Desktop desktop(testing::FreshRoot());
  const std::wstring module = L"C:\\O'Brien's Apps\\ZephquillClient.exe";
  const std::wstring clsid = std::wstring(L"Software\\Classes\\CLSID\\") + kClsidClientTray;
  const std::wstring typeLib = std::wstring(L"Software\\Classes\\TypeLib\\") + kLibIdClientLib;
  desktop.Run([&] {
    std::uint32_t pid = desktop.StartProcess(module, L"x", [] { return 0; });
    desktop.SleepMs(10);
    BindThread(desktop.Process(pid));
    Registry& reg = desktop.registry();
    EXPECT_EQ(ModuleReplacement(), L"\"C:\\O''Brien''s Apps\\ZephquillClient.exe\"");
    for (bool elevated : {false, true}) {
      desktop.elevated = elevated;
      EXPECT_EQ(UpdateServerRegistration(true), hr::Ok);
    }
    const RegRoot lm = RegRoot::LocalMachine;
    EXPECT_EQ(reg.GetString(lm, clsid + L"\\LocalServer32", L""), L"\"" + module + L"\"");
    EXPECT_EQ(reg.GetString(lm, clsid, L"AppID"), kAppIdClient);
    EXPECT_TRUE(reg.KeyExists(lm, typeLib));
    EXPECT_FALSE(reg.KeyExists(RegRoot::ClassesRoot, L"CLSID"));
    EXPECT_EQ(UpdateServerRegistration(false), hr::Ok);  // elevated: both scopes
    for (RegRoot r : {RegRoot::CurrentUser, RegRoot::LocalMachine}) {
      EXPECT_FALSE(reg.KeyExists(r, clsid));
      EXPECT_FALSE(reg.KeyExists(r, typeLib));
      EXPECT_FALSE(reg.KeyExists(r, L"Software\\Classes\\ZephquillClient.ClientTray"));
      EXPECT_TRUE(reg.KeyExists(r, L"Software\\Classes\\AppID"));
      EXPECT_FALSE(reg.KeyExists(r, std::wstring(L"Software\\Classes\\AppID\\") + kAppIdClient));
    }
    BindThread(nullptr);
  });
}

}  // namespace
}  // namespace zq
