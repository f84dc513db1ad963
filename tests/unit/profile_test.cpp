// Tests of the configuration file wrapper and the simulated profile files on the host disk.
// The registry's semantics are contract cases (tests/contract/).
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#include "app/Ini.h"
#include "app/Text.h"
#include "platform/sim/sim_profile.h"
#include "tests/unit/shell_test_util.h"

namespace fs = std::filesystem;
using zq::CIni;
using zq::sim::SimProfile;

namespace {

const wchar_t* const kConfig = L"C:\\Program Files\\Zephquill\\ZQConfig.ini";

// Records the buffer sizes the wrapper asks for, then passes the call on.
class RecordingProfile : public zq::Profile {
 public:
  explicit RecordingProfile(zq::Profile& inner) : inner_(inner) {}
  unsigned ReadString(const std::wstring& section, const std::wstring& key, const std::wstring& def,
                      std::wstring& out, unsigned size, const std::wstring& path) override {
    sizes.push_back(size);
    return inner_.ReadString(section, key, def, out, size, path);
  }
  bool WriteString(const std::wstring& section, const std::wstring& key, const std::wstring& value,
                   const std::wstring& path) override {
    ++writes;
    return inner_.WriteString(section, key, value, path);
  }
  std::vector<unsigned> sizes;
  int writes = 0;

 private:
  zq::Profile& inner_;
};

// A fresh simulated desktop's disks per test ("C:\a\b" -> <root>/C/a/b).
class ProfileTest : public zq::testing::ShellTest {
 protected:
  ProfileTest()
      : profile_([this](const std::wstring& w) { return desktop.HostPath(w); }), ini_(profile_) {
    fs::create_directories(desktop.HostPath(L"C:\\Program Files\\Zephquill"));
    ini_.SetPathName(kConfig);
    recorded_.SetPathName(kConfig);
  }
  std::string HostConfig() const { return desktop.HostPath(kConfig); }

  void WriteFile(const std::string& bytes) {
    std::ofstream(HostConfig(), std::ios::binary) << bytes;
  }
  std::string ReadFile() const {
    std::ifstream in(HostConfig(), std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  }
  std::wstring Get(const wchar_t* key, const wchar_t* def = L"dflt") {
    return ini_.GetString(L"General", key, def);
  }

  SimProfile profile_;
  CIni ini_;
  RecordingProfile recorder_{profile_};
  CIni recorded_{recorder_};  // the same file through the recorder
};

TEST_F(ProfileTest, LongValuesAreReadWholeWithGrowingBuffer) {
  struct Case {
    size_t length;
    std::vector<unsigned> sizes;
  };
  // 511 characters fill a 512 buffer to size-1, which may be a cut value: one more read.
  const Case cases[] = {{510, {512}},
                        {511, {512, 1024}},
                        {600, {512, 1024}},
                        {1023, {512, 1024, 1536}},
                        {5000, {512, 1024, 1536, 2048, 2560, 3072, 3584, 4096, 4608, 5120}}};
  for (const auto& c : cases) {
    std::wstring value;
    for (size_t i = 0; i < c.length; ++i) value += static_cast<wchar_t>(L'a' + i % 26);
    ASSERT_TRUE(recorded_.WriteString(L"General", L"Long", value.c_str()));
    recorder_.sizes.clear();
    EXPECT_EQ(recorded_.GetString(L"General", L"Long", L""), value) << c.length;
    EXPECT_EQ(recorder_.sizes, c.sizes) << c.length;
  }
}

// Blanks and one pair of quotes are removed (SystemContract.ProfileSemantics); what is no
// pair stays. An empty or bare key is no missing one.
TEST_F(ProfileTest, BlanksQuotesAndEmptyKeys) {
  EXPECT_EQ(Get(L"Anything", nullptr), L"");
  WriteFile(
      "[Other]\r\nEmpty=x\r\n[General]\r\n  Spaced \t=   1024  \nSingle=' x'\n"
      "Twice=\"\"inner\"\"\nMixed=\"oops'\nLone=\"\nInside=a \"b\" c\nEmpty=\r\nBare\r\n");
  const std::pair<const wchar_t*, const wchar_t*> cases[] = {
      {L"Spaced", L"1024"},   {L"Single", L" x"}, {L"Twice", L"\"inner\""},
      {L"Mixed", L"\"oops'"}, {L"Lone", L"\""},   {L"Inside", L"a \"b\" c"},
      {L"Empty", L""},        {L"Bare", L""}};
  for (const auto& [key, value] : cases) EXPECT_EQ(Get(key), value) << zq::ToUtf8(key);
  // Like the Windows function, a default loses its trailing blanks.
  EXPECT_EQ(Get(L"Missing", L" d  "), L" d");
}

// A first write makes the file; a write of no value leaves the key with its equals sign.
TEST_F(ProfileTest, FirstWriteCreatesFileAndNoneValueLeavesKeyWithEquals) {
  ASSERT_TRUE(ini_.WriteString(L"General", L"VersionCode", L"11"));
  EXPECT_EQ(ReadFile(), "[General]\r\nVersionCode=11\r\n");
  ASSERT_TRUE(ini_.WriteString(L"General", L"LastBaseURLNavigated", nullptr));
  ASSERT_TRUE(ini_.WriteString(L"General", L"VersionCode", nullptr));
  EXPECT_EQ(ReadFile(), "[General]\r\nVersionCode=\r\nLastBaseURLNavigated=\r\n");
  EXPECT_EQ(Get(L"VersionCode"), L"");
}

// Writes replace in place and leave the rest alone, a UTF-8 file's byte-order mark included.
TEST_F(ProfileTest, WritesReplaceInPlaceAndLeaveTheRestAlone) {
  WriteFile(
      "; settings\r\n[Other]\r\nKey=other\r\n[General]\r\nFirst = 1\r\n; a comment\r\n"
      "Second=2\r\n\r\n[Third]\r\nSecond=third\r\n");
  ASSERT_TRUE(ini_.WriteString(L"General", L"first", L"one"));
  ASSERT_TRUE(ini_.WriteString(L"General", L"Added", L"new"));
  ASSERT_TRUE(ini_.WriteString(L"Fourth", L"K", L"v"));
  EXPECT_EQ(ReadFile(),
            "; settings\r\n[Other]\r\nKey=other\r\n[General]\r\nFirst=one\r\n; a comment\r\n"
            "Second=2\r\nAdded=new\r\n\r\n[Third]\r\nSecond=third\r\n[Fourth]\r\nK=v\r\n");
  using Entries = std::vector<std::pair<std::wstring, std::wstring>>;
  EXPECT_EQ(profile_.SectionEntries(kConfig, L"general"),
            (Entries{{L"First", L"one"}, {L"Second", L"2"}, {L"Added", L"new"}}));
  EXPECT_TRUE(profile_.SectionEntries(kConfig, L"Missing").empty());

  WriteFile("\xEF\xBB\xBF[General]\nName=Gr\xC3\xBC\xC3\x9F\xE2\x82\xAC\n");
  EXPECT_EQ(Get(L"Name"), L"Gr\u00FC\u00DF\u20AC");
  ASSERT_TRUE(ini_.WriteString(L"General", L"Other", L"\u00E9"));
  EXPECT_EQ(ReadFile(),
            "\xEF\xBB\xBF[General]\r\nName=Gr\xC3\xBC\xC3\x9F\xE2\x82\xAC\r\n"
            "Other=\xC3\xA9\r\n");
}

// No section, key or directory: the default, and nothing written.
TEST_F(ProfileTest, WritesFailWithoutSectionKeyOrDirectory) {
  EXPECT_EQ(recorded_.GetString(nullptr, L"Key", L"d"), L"d");
  EXPECT_EQ(recorded_.GetString(L"General", nullptr, nullptr), L"");
  EXPECT_FALSE(recorded_.WriteString(nullptr, L"Key", L"v"));
  EXPECT_FALSE(recorded_.WriteString(L"General", nullptr, L"v"));
  EXPECT_TRUE(recorder_.sizes.empty());
  EXPECT_EQ(recorder_.writes, 0);
  EXPECT_FALSE(fs::exists(HostConfig()));
  CIni elsewhere(profile_);
  elsewhere.SetPathName(L"C:\\Missing\\ZQConfig.ini");
  EXPECT_FALSE(elsewhere.WriteString(L"General", L"Key", L"v"));
  EXPECT_FALSE(fs::exists(desktop.HostPath(L"C:\\Missing")));
  EXPECT_EQ(elsewhere.GetString(L"General", L"Key", L"d"), L"d");
}

TEST_F(ProfileTest, InterruptedWriteLeavesOriginalIntact) {
  const std::string original = "[General]\r\nA=1\r\nB=2\r\n";
  WriteFile(original);
  const std::string temp = SimProfile::TempPathFor(HostConfig());

  // The process dies after writing the temporary file, before it replaces the original.
  profile_.SetBeforeReplaceHook([](const std::string&) { return false; });
  EXPECT_FALSE(ini_.WriteString(L"General", L"A", L"changed"));
  EXPECT_EQ(ReadFile(), original);
  EXPECT_EQ(Get(L"A"), L"1");
  EXPECT_TRUE(fs::exists(temp));

  // The next run writes normally; the stale temporary file does not survive it.
  profile_.SetBeforeReplaceHook(nullptr);
  ASSERT_TRUE(ini_.WriteString(L"General", L"B", L"3"));
  EXPECT_EQ(ReadFile(), "[General]\r\nA=1\r\nB=3\r\n");
  EXPECT_FALSE(fs::exists(temp));

  // The temporary file cannot be made: the write fails and the file is untouched.
  fs::create_directory(temp);
  EXPECT_FALSE(ini_.WriteString(L"General", L"A", L"lost"));
  EXPECT_EQ(ReadFile(), "[General]\r\nA=1\r\nB=3\r\n");
}

}  // namespace
