// The Windows backend's files, registry, resources, menus, pictures, processes and system
// facts, run under Wine: what the client relies on from each, compared with the portable
// resource table where the same data exists twice.
#include <fstream>
#include <iterator>

#include "resources/ResourceTable.h"
#include "winunit_fixture.h"

namespace zq::win32::test {
namespace {

std::string FileBytes(const std::wstring& path) {
  std::string narrow(path.begin(), path.end());  // the scratch paths are ASCII
  std::ifstream f(narrow, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(f), {});
}

void ExpectSameMenu(const Menu& a, const Menu& b) {
  ASSERT_EQ(a.size(), b.size());
  for (size_t i = 0; i < a.size(); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(a[i].separator, b[i].separator);
    EXPECT_EQ(a[i].text, b[i].text);
    EXPECT_EQ(a[i].id, b[i].id);
    EXPECT_EQ(a[i].grayed, b[i].grayed);
    EXPECT_EQ(a[i].checked, b[i].checked);
    EXPECT_EQ(a[i].isDefault, b[i].isDefault);
    ExpectSameMenu(a[i].popup, b[i].popup);
  }
}

// A new configuration file must keep characters outside the ANSI code page; an existing
// file keeps its encoding.
TEST_F(BackendTest, ProfileCreatesUnicodeFilesAndKeepsExistingOnes) {
  std::wstring dir = ScratchDirectory(L"profile");
  std::wstring fresh = dir + L"fresh.ini";
  ::DeleteFileW(fresh.c_str());
  const std::wstring city = L"Z\u00fcrich \u2605 \u6771\u4eac";
  ASSERT_TRUE(p->profile().WriteString(L"General", L"City", city, fresh));
  ASSERT_TRUE(p->profile().WriteString(L"General", L"Plain", L"yes", fresh));
  EXPECT_EQ(FileBytes(fresh).substr(0, 2), std::string("\xFF\xFE"));
  std::wstring out;
  EXPECT_EQ(p->profile().ReadString(L"general", L"CITY", L"-", out, 256, fresh), city.size());
  EXPECT_EQ(out, city);
  p->profile().ReadString(L"General", L"Plain", L"-", out, 256, fresh);
  EXPECT_EQ(out, L"yes");

  std::wstring ansi = dir + L"ansi.ini";
  {
    std::ofstream f(std::string(ansi.begin(), ansi.end()), std::ios::binary | std::ios::trunc);
    f << "[General]\r\nA=1\r\n";
  }
  ASSERT_TRUE(p->profile().WriteString(L"General", L"B", L"2", ansi));
  std::string bytes = FileBytes(ansi);
  EXPECT_EQ(bytes.find("\xFF\xFE"), std::string::npos);
  EXPECT_NE(bytes.find("B=2"), std::string::npos);
  p->profile().ReadString(L"General", L"A", L"-", out, 256, ansi);
  EXPECT_EQ(out, L"1");

  EXPECT_EQ(p->profile().ReadString(L"General", L"City", L"-", out, 4, fresh), 3u);
  EXPECT_EQ(out, L"Z\u00fcr");
  p->profile().ReadString(L"General", L"Missing", L"fallback", out, 256, fresh);
  EXPECT_EQ(out, L"fallback");
  p->profile().ReadString(L"General", L"City", L"nofile", out, 256, dir + L"none.ini");
  EXPECT_EQ(out, L"nofile");

  // The stamp (as on the simulated desktop, profile_test.cpp): it holds while nobody writes
  // and moves with a write; a missing file has one of its own. Writes here differ in
  // length, since the file system's write time may not move between two quick writes.
  const std::uint64_t missing = p->profile().Stamp(dir + L"none.ini");
  const std::uint64_t before = p->profile().Stamp(fresh);
  EXPECT_NE(before, Profile::NoStamp);
  EXPECT_NE(before, missing);
  EXPECT_EQ(p->profile().Stamp(fresh), before);
  ASSERT_TRUE(p->profile().WriteString(L"General", L"Plain", L"no longer", fresh));
  EXPECT_NE(p->profile().Stamp(fresh), before);
}

TEST_F(BackendTest, RegistryKeysValuesAndTrees) {
  Registry& r = p->registry();
  const std::wstring root = L"Software\\ZephquillWineTest";
  const std::wstring sub = root + L"\\Sub\\Deeper";
  r.DeleteTree(RegRoot::CurrentUser, root);
  EXPECT_FALSE(r.SetString(RegRoot::CurrentUser, sub, L"Name", L"x"));  // no such key yet
  ASSERT_TRUE(r.CreateKey(RegRoot::CurrentUser, sub));
  EXPECT_TRUE(r.KeyExists(RegRoot::CurrentUser, sub));
  ASSERT_TRUE(r.SetString(RegRoot::CurrentUser, sub, L"Name", L"\"C:\\Z\u00fc\\a b.exe\""));
  EXPECT_EQ(r.GetString(RegRoot::CurrentUser, sub, L"name"), L"\"C:\\Z\u00fc\\a b.exe\"");
  EXPECT_FALSE(r.GetString(RegRoot::CurrentUser, sub, L"Other").has_value());
  EXPECT_TRUE(r.DeleteValue(RegRoot::CurrentUser, sub, L"Name"));
  EXPECT_FALSE(r.DeleteValue(RegRoot::CurrentUser, sub, L"Name"));
  ASSERT_TRUE(r.SetString(RegRoot::CurrentUser, sub, L"Again", L"1"));
  EXPECT_TRUE(r.DeleteTree(RegRoot::CurrentUser, root));
  EXPECT_FALSE(r.KeyExists(RegRoot::CurrentUser, root));
  EXPECT_FALSE(r.DeleteTree(RegRoot::CurrentUser, root));
  EXPECT_FALSE(r.DeleteTree(RegRoot::CurrentUser, L""));  // never a whole root
  EXPECT_TRUE(r.KeyExists(RegRoot::CurrentUser, L"Software"));
}

// The compiled resource script must hold what the portable table serves on the simulated
// desktop: strings, menus in their order, the pictures pixel for pixel, every icon.
TEST_F(BackendTest, ResourcesMatchThePortableTable) {
  Resources& res = p->resources();
  for (const auto& [id, text] : resources::Strings()) EXPECT_EQ(res.String(id), text) << id;
  EXPECT_FALSE(res.String(4242).has_value());
  for (unsigned id : {128u, 130u, 181u}) {
    SCOPED_TRACE(id);
    auto loaded = res.LoadMenu(id);
    ASSERT_TRUE(loaded.has_value());
    ExpectSameMenu(*loaded, *resources::MenuById(id));
  }
  EXPECT_FALSE(res.LoadMenu(4242).has_value());
  for (unsigned id : {176u, 178u}) {
    SCOPED_TRACE(id);
    auto loaded = res.LoadBitmap(id);
    auto expected = resources::BitmapById(id);
    ASSERT_TRUE(loaded && expected);
    EXPECT_EQ(loaded->width, expected->width);
    EXPECT_EQ(loaded->height, expected->height);
    EXPECT_TRUE(loaded->pixels == expected->pixels);
  }
  EXPECT_EQ(res.LoadBitmap(178)->width, 204);
  for (unsigned id : resources::IconIds()) {
    IconHandle icon = res.LoadIcon(id);
    EXPECT_NE(icon, 0u) << id;
    EXPECT_EQ(res.IconId(icon), id);
  }
  EXPECT_EQ(res.LoadIcon(4242), 0u);
  EXPECT_FALSE(res.Raw(L"#23", 4242).has_value());
}

TEST_F(BackendTest, PopupMenusCarryTheirMarksBothWays) {
  auto item = [](unsigned id, const wchar_t* text) {
    MenuItem m;
    m.id = id;
    m.text = text;
    return m;
  };
  MenuItem open = item(1001, L"&Open"), grey = item(1002, L"Grey"), sep, sub;
  MenuItem check = item(1004, L"Checked");
  grey.grayed = true;
  sep.separator = true;
  check.checked = true;
  check.isDefault = true;
  sub.text = L"More";
  sub.popup = {item(1005, L"Inner")};
  Menu items{open, grey, sep, check, sub};
  UniqueMenu menu = BuildPopupMenu(items);
  ASSERT_TRUE(menu);
  EXPECT_EQ(::GetMenuItemCount(menu.get()), 5);
  EXPECT_TRUE(::GetMenuState(menu.get(), 1002, MF_BYCOMMAND) & MF_GRAYED);
  EXPECT_TRUE(::GetMenuState(menu.get(), 1004, MF_BYCOMMAND) & MF_CHECKED);
  EXPECT_EQ(::GetMenuDefaultItem(menu.get(), FALSE, 0), 1004u);
  EXPECT_FALSE(::GetMenuState(menu.get(), 1001, MF_BYCOMMAND) & (MF_GRAYED | MF_CHECKED));
  ExpectSameMenu(ReadMenu(menu.get()), items);
}

TEST_F(BackendTest, PicturesRoundTripThroughDibs) {
  Bitmap b;
  b.width = 7;
  b.height = 3;
  for (int i = 0; i < 21; ++i)
    b.pixels.push_back(static_cast<std::uint32_t>(i * 0x0A0B0C) & 0xFFFFFF);
  UniqueBitmap dib = MakeDib(b);
  ASSERT_TRUE(dib);
  auto back = ReadBitmap(dib.get());
  ASSERT_TRUE(back.has_value());
  EXPECT_EQ(back->width, 7);
  EXPECT_TRUE(back->pixels == b.pixels);
  Bitmap wrong = b;
  wrong.pixels.pop_back();
  EXPECT_FALSE(MakeDib(wrong));
}

TEST_F(BackendTest, ProcessesFilesMutexesAndSystemFacts) {
  Processes& pr = p->processes();
  std::wstring module = pr.ModulePath();
  EXPECT_NE(module.find(L"zqwinunit.exe"), std::wstring::npos)
      << std::string(module.begin(), module.end());
  EXPECT_EQ(pr.TempPath().back(), L'\\');
  std::wstring dir = ScratchDirectory(L"files");
  std::wstring from = dir + L"a.txt", to = dir + L"b.txt";
  ::DeleteFileW(to.c_str());
  { std::ofstream(std::string(from.begin(), from.end())) << "x"; }
  EXPECT_TRUE(pr.MoveFile(from, to, MOVEFILE_REPLACE_EXISTING));
  EXPECT_FALSE(pr.MoveFile(from, to, MOVEFILE_REPLACE_EXISTING));
  EXPECT_TRUE(pr.DeleteFile(to));
  EXPECT_FALSE(pr.CreateProcess(L"\"" + dir + L"missing.exe\""));

  bool existed = true;
  MutexHandle first = p->mutexes().Create(L"ZqWineTestMutex", existed);
  EXPECT_FALSE(existed);
  MutexHandle second = p->mutexes().Create(L"ZqWineTestMutex", existed);
  EXPECT_TRUE(existed);
  p->mutexes().Close(second);
  p->mutexes().Close(first);
  p->mutexes().Close(p->mutexes().Create(L"ZqWineTestMutex", existed));
  EXPECT_FALSE(existed);

  EXPECT_TRUE(p->system().ErrorText(static_cast<std::int32_t>(0x80070002u)).has_value());
  EXPECT_TRUE(p->system().ErrorText(2).has_value());
  EXPECT_GE(p->system().MajorVersion(), 4);
  EXPECT_EQ(p->system().PlatformId(), 2);
  EXPECT_GE(p->com().Initialize(), 0);
  p->com().Uninitialize();
}

}  // namespace
}  // namespace zq::win32::test
