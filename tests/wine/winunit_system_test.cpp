// What only the Windows backend has, under Wine: files and profile files' encodings, the
// resources against the portable table, menus, pictures and the taskbar button.
#include <cstring>
#include <fstream>
#include <iterator>

#include "resources/ResourceTable.h"
#include "winunit_fixture.h"
// After the fixture, whose backend header keeps the seam's names from the system's macros.
#include <shobjidl.h>

namespace zq::win32::test {
namespace {

std::string FileBytes(const std::wstring& path) {
  std::string narrow(path.begin(), path.end());  // the scratch paths are ASCII
  std::ifstream f(narrow, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(f), {});
}

// A menu as text: a line per item with its marks, its popup indented below it.
std::wstring Text(const Menu& menu, const std::wstring& indent = L"") {
  std::wstring text;
  for (const MenuItem& m : menu)
    text += indent + (m.separator ? L"-" : m.text + L" " + std::to_wstring(m.id)) +
            (m.grayed ? L" grey" : L"") + (m.checked ? L" checked" : L"") +
            (m.isDefault ? L" default" : L"") + L"\n" + Text(m.popup, indent + L"  ");
  return text;
}

// An existing configuration file keeps its encoding when written (a new one: UTF-16).
TEST_F(BackendTest, ProfileKeepsAnExistingFilesEncoding) {
  std::wstring out, ansi = ScratchDirectory(L"profile") + L"ansi.ini";
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
}

// A file made again loses its old content (the seam cannot read it back in the contract).
TEST_F(BackendTest, ANewFileReplacesTheOldContent) {
  Processes& files = p->processes();
  std::wstring path = ScratchDirectory(L"newfile") + L"out.bin";
  for (const char* content : {"abcdef", "xy"}) {
    std::uintptr_t file = files.CreateNewFile(path);
    ASSERT_NE(file, 0u);
    files.WriteToFile(file, content, static_cast<unsigned>(std::strlen(content)));
    files.CloseFile(file);
  }
  EXPECT_EQ(FileBytes(path), "xy");
}

// The compiled resource script holds what the portable table serves on the simulated desktop.
TEST_F(BackendTest, ResourcesMatchThePortableTable) {
  Resources& res = p->resources();
  for (const auto& [id, text] : resources::Strings()) EXPECT_EQ(res.String(id), text) << id;
  EXPECT_FALSE(res.String(4242).has_value());
  for (unsigned id : {128u, 130u, 181u}) {
    SCOPED_TRACE(id);
    auto loaded = res.LoadMenu(id);
    ASSERT_TRUE(loaded.has_value());
    EXPECT_EQ(Text(*loaded), Text(*resources::MenuById(id)));
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
  EXPECT_EQ(Text(ReadMenu(menu.get())), Text(items));
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

// A taskbar list that records the calls it gets; `refuse` names the one that fails.
struct TaskbarRecorder : ITaskbarList {
  std::string calls, refuse;
  HRESULT Call(const char* name) {
    calls += std::string(calls.empty() ? "" : " ") + name;
    return refuse == name ? E_FAIL : S_OK;
  }
  STDMETHODIMP QueryInterface(REFIID, void** out) override {
    *out = nullptr;
    return E_NOINTERFACE;
  }
  STDMETHODIMP_(ULONG) AddRef() override { return 1; }
  STDMETHODIMP_(ULONG) Release() override { return 1; }
  STDMETHODIMP HrInit() override { return Call("HrInit"); }
  STDMETHODIMP AddTab(HWND) override { return Call("AddTab"); }
  STDMETHODIMP DeleteTab(HWND) override { return Call("DeleteTab"); }
  STDMETHODIMP ActivateTab(HWND) override { return Call("ActivateTab"); }
  STDMETHODIMP SetActiveAlt(HWND) override { return Call("SetActiveAlt"); }
};

// A panel's taskbar button is activated before it is deleted, and kept when that fails.
TEST(TaskbarButton, IsActivatedThenDeleted) {
  struct Case {
    const char *refuse, *calls;
    bool removed;
  } cases[] = {{"", "HrInit ActivateTab DeleteTab", true},
               {"ActivateTab", "HrInit ActivateTab", false}};
  for (const Case& c : cases) {
    TaskbarRecorder list;
    list.refuse = c.refuse;
    EXPECT_EQ(RemoveTab(list, nullptr), c.removed) << c.refuse;
    EXPECT_EQ(list.calls, c.calls);
  }
}

}  // namespace
}  // namespace zq::win32::test
