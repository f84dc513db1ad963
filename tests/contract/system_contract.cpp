// Contract cases of the system seams: profile files, the registry, processes and files,
// named mutexes, the system's texts and kind, DDE requests and the shell's window list.
#include <tuple>

#include "tests/contract/contract.h"

namespace zq::contract {
namespace {

std::wstring TempFile(const std::wstring& name) {
  std::wstring path = Plat().processes().TempPath() + L"zqcontract-" + name;
  Plat().processes().DeleteFile(path);
  return path;
}

// Reads ignore the case of names, strip blanks and quotes, default what is missing and copy
// at most size - 1 characters. The stamp moves with a write of another length, and only then.
ZQ_CONTRACT(SystemContract, ProfileSemantics) {
  Profile& p = Plat().profile();
  const std::wstring file = TempFile(L"profile.ini"), none = TempFile(L"none.ini");
  const std::wstring city = L"Z\u00fcrich \u6771\u4eac";
  ASSERT_TRUE(p.WriteString(L"General", L"City", city, file));
  ASSERT_TRUE(p.WriteString(L"General", L"Quoted", L"  \"a b\"  ", file));
  ASSERT_TRUE(p.WriteString(L"General", L"City", L"Bern", file));
  ASSERT_TRUE(p.WriteString(L"Other", L"City", city, file));
  using S = std::wstring;
  const std::tuple<S, S, S, unsigned, S> cases[] = {
      {file, L"general", L"CITY", 64, L"Bern"},  {file, L"OTHER", L"city", 64, city},
      {file, L"Other", L"City", 4, L"Z\u00fcr"}, {file, L"General", L"Quoted", 64, L"a b"},
      {file, L"General", L"Missing", 64, L"-"},  {file, L"Missing", L"City", 64, L"-"},
      {none, L"General", L"City", 64, L"-"},
  };
  for (const auto& [in, section, key, size, expected] : cases) {
    std::wstring out;
    const unsigned n = p.ReadString(section, key, L"-", out, size, in);
    EXPECT_EQ(out, expected) << section << L"/" << key;
    EXPECT_EQ(n, out.size());
  }
  const std::uint64_t before = p.Stamp(file);
  EXPECT_NE(before, Profile::NoStamp);
  EXPECT_NE(before, p.Stamp(none));
  EXPECT_EQ(p.Stamp(file), before);
  ASSERT_TRUE(p.WriteString(L"General", L"Plain", L"no longer", file));
  EXPECT_NE(p.Stamp(file), before);
  Plat().processes().DeleteFile(file);
}

// Names ignore case; a value is set only in an existing key; a tree goes, never a root.
ZQ_CONTRACT(SystemContract, RegistrySemantics) {
  Registry& r = Plat().registry();
  const RegRoot cu = RegRoot::CurrentUser;
  const std::wstring root = L"Software\\ZephquillContract", sub = root + L"\\Sub\\Deeper";
  const std::wstring value = L"\"C:\\Z\u00fc\\a b.exe\"", keep = L"Software\\ZephquillKeep";
  r.DeleteTree(cu, root);
  EXPECT_FALSE(r.SetString(cu, sub, L"Name", L"x"));
  ASSERT_TRUE(r.CreateKey(cu, sub));
  EXPECT_TRUE(r.KeyExists(cu, L"software\\ZEPHQUILLCONTRACT\\sub"));
  ASSERT_TRUE(r.SetString(cu, sub, L"Name", value));
  ASSERT_TRUE(r.SetString(cu, sub, L"", L"default"));
  EXPECT_EQ(r.GetString(cu, sub, L"NAME"), value);
  EXPECT_EQ(r.GetString(cu, sub, L""), L"default");
  EXPECT_FALSE(r.GetString(cu, sub, L"Other").has_value());
  EXPECT_TRUE(r.DeleteValue(cu, sub, L"name"));
  EXPECT_FALSE(r.DeleteValue(cu, sub, L"Name"));
  EXPECT_FALSE(r.DeleteTree(cu, root + L"\\Missing"));
  EXPECT_TRUE(r.DeleteTree(cu, root));
  EXPECT_FALSE(r.KeyExists(cu, root));
  ASSERT_TRUE(r.CreateKey(cu, keep));
  EXPECT_FALSE(r.DeleteTree(cu, L"")) << "never a whole root";
  EXPECT_TRUE(r.KeyExists(cu, keep));
  r.DeleteTree(cu, keep);
}

// A new file replaces an old one; a move onto a file needs the replace flag (1). A named
// mutex existed until every handle closes. Error texts end with a line end.
ZQ_CONTRACT(SystemContract, ProcessesFilesMutexesAndTheSystem) {
  Processes& pr = Plat().processes();
  const std::wstring module = pr.ModulePath();
  ASSERT_GT(module.size(), 4u);
  EXPECT_EQ(module.substr(module.size() - 4), L".exe");
  EXPECT_NE(pr.CommandLine().find(module.substr(module.find_last_of(L'\\') + 1)),
            std::wstring::npos);
  EXPECT_EQ(pr.TempPath().back(), L'\\');
  const std::wstring a = TempFile(L"a.txt"), b = TempFile(L"b.txt");
  std::uintptr_t f = pr.CreateNewFile(a);
  ASSERT_NE(f, 0u);
  EXPECT_EQ(pr.WriteToFile(f, "hello", 5), 5u);
  pr.CloseFile(f);
  for (int round = 0; round < 2; ++round) {
    ASSERT_NE(f = pr.CreateNewFile(b), 0u) << round;
    pr.CloseFile(f);
  }
  EXPECT_EQ(pr.CreateNewFile(b + L"\\no\\such\\dir"), 0u);
  EXPECT_FALSE(pr.MoveFile(a, b, 0)) << "the target exists";
  EXPECT_TRUE(pr.MoveFile(a, b, 1));
  EXPECT_FALSE(pr.MoveFile(a, b, 1)) << "the source is gone";
  EXPECT_TRUE(pr.DeleteFile(b));
  EXPECT_FALSE(pr.CreateProcess(L"\"" + TempFile(L"missing.exe") + L"\" /x"));

  Mutexes& m = Plat().mutexes();
  bool existed = true;
  auto opened = [&] { return m.Create(L"ZqContractMutex", existed); };
  MutexHandle first = opened();
  EXPECT_FALSE(existed);
  MutexHandle second = opened();
  EXPECT_TRUE(existed);
  m.Close(first);
  m.Close(opened());
  EXPECT_TRUE(existed) << "one handle is still open";
  m.Close(second);
  m.Close(opened());
  EXPECT_FALSE(existed);

  for (std::int32_t code : {static_cast<std::int32_t>(0x80070002u), 2}) {
    std::optional<std::wstring> text = Plat().system().ErrorText(code);
    ASSERT_TRUE(text && text->size() >= 3) << code;
    EXPECT_EQ(text->substr(text->size() - 2), L"\r\n");
  }
  EXPECT_GE(Plat().system().MajorVersion(), 5);
  EXPECT_EQ(Plat().system().PlatformId(), 2);
}

// A second request is answered like the first; no server answers at once, a silent one
// after the whole time-out.
ZQ_CONTRACT(SystemContract, DdeRequestsAndTheirTimeOut) {
  const std::wstring url = L"http://www.example.org/a?b=c", title = L"Caf\u00e9 page";
  const std::wstring topic = L"WWW_GetWindowInfo", item = L"0xFFFFFFFF,sURL,sTitle";
  Dde& dde = Plat().dde();
  Clock& clock = Plat().clock();
  {
    std::shared_ptr<void> server = TheDesktop().StartFirefox(true, url, title);
    for (int round = 0; round < 2; ++round) {
      auto reply = dde.Request(L"Firefox", topic, item, 5000);
      ASSERT_TRUE(reply.has_value()) << round;
      EXPECT_EQ(dde.FromAnsi(*reply), L"\"" + url + L"\",\"" + title + L"\",\"\"");
    }
    EXPECT_FALSE(dde.Request(L"Firefox", L"NoSuchTopic", item, 5000).has_value());
  }
  std::uint64_t start = clock.TickMs();
  EXPECT_FALSE(dde.Request(L"NoSuchServer", topic, item, 5000).has_value());
  EXPECT_LT(clock.TickMs() - start, 3000u) << "no server: no wait";
  std::shared_ptr<void> silent = TheDesktop().StartFirefox(false, url, title);
  start = clock.TickMs();
  EXPECT_FALSE(dde.Request(L"Firefox", topic, item, 1000).has_value());
  const std::uint64_t spent = clock.TickMs() - start;
  EXPECT_TRUE(spent >= 900 && spent < 4000) << "the time-out bounds the wait: " << spent;
}

// The shell's list: null references are refused, an index past the end gives nothing; text
// goes to the ANSI code page, '?' for the rest.
ZQ_CONTRACT(SystemContract, ShellWindowList) {
  ShellWindows& shell = Plat().shellWindows();
  EXPECT_EQ(shell.QueryBrowser(0).object, 0u);
  shell.Release(0);
  EXPECT_EQ(shell.ToAnsi(L"Caf\u00e9 \u6771"), "Caf\xe9 ?");
  ASSERT_GE(Plat().com().Initialize(), 0);
  // Wine's explorer serves the list once it has started, some seconds into a fresh prefix.
  ShellObjectAnswer made;
  for (int i = 0; i < 100 && (made = shell.CreateCollection()).hr < 0; ++i)
    PumpUntil([] { return false; }, 200);
  if (made.hr < 0) {
    EXPECT_EQ(made.object, 0u) << "a failure comes with nothing";
    Plat().com().Uninitialize();
    if (TheDesktop().IsWine()) GTEST_SKIP() << "not under Wine: the shell's list is not served";
    FAIL() << "no collection: " << made.hr;
  }
  ShellRef collection(shell, made.object);
  ShellCountAnswer count = shell.Count(collection.get());
  ASSERT_GE(count.hr, 0);
  EXPECT_EQ(shell.Item(collection.get(), count.count).object, 0u);
  collection.Reset();
  Plat().com().Uninitialize();
}

}  // namespace
}  // namespace zq::contract
