// Tests of the self-update and restart: the signature, redirect and machine refusals, the
// image header, the calendar arithmetic and the restart's file name (the rest: update_*.zqs).

#include <array>
#include <fstream>
#include <iterator>

#include "app/Text.h"
#include "controller/AutoUpdater.h"
#include "controller/Restart.h"
#include "platform/sim/sim_internet.h"
#include "platform/sim/sim_network.h"
#include "tests/unit/client_fixture.h"

namespace zq {
namespace {

using testing::ClientFixture;
using testing::kModule;

const wchar_t kDownloads[] = L"http://127.0.0.1:8702/Download/";
const wchar_t kSignatureAddress[] = L"http://127.0.0.1:8702/Download/ZephquillClient.exe.sig";

// Signatures made with `zqservice --sign` over FakeImage(0x014C, 5000) by the repository's
// test key and by its other test key, and over FakeImage(0x8664, 7000) by the test key.
const char kSignedByTestKey[] =
    "zq-update-signature 1\nkey-id 2e765f8092577abf\necdsa-p256-sha256 "
    "ddvdWMmFF27428oHMoXnjpaevl6dMWR2bm0sn257GFZH7B62WvGAJW9zsZZCOqwWqeVJ6pmDk7kApdBb8WDJ+g==\n";
const char kSignedByOtherKey[] =
    "zq-update-signature 1\nkey-id c7ff88dd260d1a52\necdsa-p256-sha256 "
    "Dfuu8PaMMIT8Y9nnTsWU0bkbuRPcXLQbVrJ3OcesQsbt7ta6J8zdHLSvX+lbKQ7JXEv4Ts4+BWONRWRjq4cdnQ==\n";
const char kImage64SignedByTestKey[] =
    "zq-update-signature 1\nkey-id 2e765f8092577abf\necdsa-p256-sha256 "
    "vjY2hqce/ylZMtJ8SjwZLFJO7QFP3NJLg1QNqoKBEzFhrp2sdIvfwVFQTtAS0iLKavkOJPy7N2R+0nXYPsDIKw==\n";
const char kOtherPublicKey[] =
    "-----BEGIN PUBLIC KEY-----\n"
    "MFkwEwYHKoZIzj0CAQYIKoZIzj0DAQcDQgAEK6O9Bg48mVv+1lEGb5xsg6pl/EUc\n"
    "qxIvj4+BuSXQY8MdesMLktvoaJ0Tg+jEioyQYHgfu03viXtkmsf59GSMvA==\n"
    "-----END PUBLIC KEY-----\n";
const wchar_t kBackup[] = L"C:\\Program Files\\Zephquill\\OldExecutable.bak";
const wchar_t kTempCopy[] = L"C:\\Temp\\ZephquillClient.exe";

class UpdaterTest : public ClientFixture {
 protected:
  std::string Read(const std::wstring& path) {
    std::ifstream in(desktop.HostPath(path), std::ios::binary);
    return in ? std::string(std::istreambuf_iterator<char>(in), {}) : "<absent>";
  }
  void Write(const std::wstring& path, const std::string& bytes) {
    std::ofstream(desktop.HostPath(path), std::ios::binary) << bytes;
  }
  // Only the download's body and its signature file are served.
  auto& Serve(const std::string& body, const std::string& signature) {
    auto& quirks = sim::InternetOf(desktop).quirks;
    quirks.clear();
    quirks[kSignatureAddress].body = signature;
    quirks[kDownloads].body = body;
    return quirks;
  }
  // An update on behalf of a bare process, trusting `keys` (or the built-in ones).
  int RunUpdate(const std::vector<TrustedKey>& keys = {}) {
    if (!pid) pid = desktop.StartProcess(kModule, L"x", [] { return 0; });
    desktop.SleepMs(1);
    return AsClient([&] {
      CAutoUpdater updater(keys.empty() ? BuiltInUpdateKeys() : keys);
      int result = updater.Update(kDownloads);
      refusal = ToUtf8(updater.Refusal());
      return result;
    });
  }
  std::string refusal;

  const std::string oldImage = sim::FakeImage(0x014C, 3000);
  const std::string newImage = sim::FakeImage(0x014C, 5000);
};

// Only a file signed by a trusted key, from the update address's origin, replaces the executable.
ZQ_ON_DESKTOP_TEST(UpdaterTest, UnsignedForgedOrRedirectedDownloadsAreRefused) {
  const std::string other = std::string(kSignedByOtherKey);
  std::string tampered = newImage;
  tampered[4000] ^= 1;
  const std::string image64 = sim::FakeImage(0x8664, 7000);
  // The other key's signature under the test key's id.
  const std::string good = kSignedByTestKey;
  const std::string forged =
      good.substr(0, good.find("\necdsa")) + other.substr(other.find("\necdsa"));
  struct Case {
    const char* what;
    std::string body, signature;
    const char* refusal;  // nullptr: accepted
    std::optional<std::wstring> redirect = std::nullopt;
    int signatureStatus = 200;
    std::uint16_t machine = 0x014C;  // the desktop's running image
  } cases[] = {
      {"good", newImage, good, nullptr},
      {"a 32-bit image on a 64-bit desktop", newImage, good, "no executable for this machine",
       std::nullopt, 200, 0x8664},
      {"a 64-bit image on a 64-bit desktop", image64, kImage64SignedByTestKey, nullptr,
       std::nullopt, 200, 0x8664},
      {"a tampered byte", tampered, good, "does not match the download"},
      {"another key", newImage, other, "which this client does not trust"},
      {"another key's signature under our key id", newImage, forged, "does not match"},
      {"no signature", newImage, good, "offers no signature", std::nullopt, 404},
      {"a truncated signature", newImage, good.substr(0, good.size() / 2), "malformed"},
      {"an empty signature", newImage, "", "malformed"},
      {"a redirect within the origin", newImage, good, nullptr,
       L"/Download/v2/ZephquillClient.exe"},
      {"a redirect to another origin", newImage, good, "redirects to",
       L"http://127.0.0.1:8703/Download/ZephquillClient.exe"},
      {"a redirect loop", newImage, good, "one redirect too many",
       L"http://127.0.0.1:8702/Download/ZephquillClient.exe"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Write(kModule, oldImage);
    std::filesystem::remove(desktop.HostPath(kBackup));
    auto& quirks = Serve(c.body, c.signature);
    desktop.network().At(kSignatureAddress).status = c.signatureStatus;
    desktop.imageMachine = c.machine;
    if (c.redirect) {
      quirks[std::wstring(kDownloads) + L"ZephquillClient.exe"].redirectTo = *c.redirect;
      quirks[L"http://127.0.0.1:8702/Download/v2/"].body = c.body;
      quirks[L"http://127.0.0.1:8702/Download/v2/ZephquillClient.exe.sig"].body = c.signature;
    }
    const bool refused = c.refusal != nullptr;
    EXPECT_EQ(RunUpdate(), refused ? CAutoUpdater::DownloadFailed : CAutoUpdater::Updated);
    EXPECT_NE(refusal.find(refused ? c.refusal : ""), std::string::npos) << refusal;
    EXPECT_EQ(Read(kModule), refused ? oldImage : c.body);
    EXPECT_EQ(Read(kBackup), refused ? "<absent>" : oldImage);
    EXPECT_EQ(Read(kTempCopy), "<absent>");
  }
  // While a key is rotated the client trusts both: the new one's signature is accepted.
  Write(kModule, oldImage);
  Serve(newImage, other);
  std::vector<TrustedKey> keys = BuiltInUpdateKeys();
  keys.push_back(*TrustedKeyFromPem(kOtherPublicKey));
  EXPECT_EQ(RunUpdate(keys), CAutoUpdater::Updated) << refusal;
}

TEST(UpdateArithmeticTest, DaysSinceFailureAndLocalTimeBefore) {
  EXPECT_EQ(DaysSinceFailedUpdate(2, 30), 3);  // 30th, then the 2nd of the next month
  EXPECT_EQ(DaysSinceFailedUpdate(30, 30), 0);
  EXPECT_EQ(DaysSinceFailedUpdate(5, 5), 0);  // a month later looks like the same day
  EXPECT_EQ(DaysSinceFailedUpdate(13, 10), 3);
  EXPECT_EQ(DaysSinceFailedUpdate(1, 31), 1);
  auto fields = [](const LocalTime& t) {
    return std::array<int, 6>{t.year, t.month, t.day, t.hour, t.minute, t.second};
  };
  // A leap day, a new year, no step, and the months the day-of-year formula rounds to.
  const struct {
    LocalTime from;
    int back;
    LocalTime to;
  } rows[] = {{{2024, 3, 1, 0, 10}, 1200, {2024, 2, 29, 23, 50}},
              {{2026, 1, 1, 4, 30}, 18000, {2025, 12, 31, 23, 30}},
              {{2026, 1, 6, 4, 30}, 0, {2026, 1, 6, 4, 30}},
              {{2026, 4, 1, 0, 10}, 1200, {2026, 3, 31, 23, 50}},
              {{2026, 9, 1, 0, 10}, 1200, {2026, 8, 31, 23, 50}},
              {{2026, 2, 1, 0, 10}, 1200, {2026, 1, 31, 23, 50}}};
  for (const auto& r : rows) EXPECT_EQ(fields(LocalTimeBefore(r.from, r.back)), fields(r.to));
  EXPECT_EQ(LocalTimeBefore(LocalTime{2026, 1, 5, 12}, 0).dayOfWeek, 1);  // a Monday
}

// Only well-formed headers are read; the hand-made one has its PE header at 0x104 and two
// sections whose raw data ends past 64 KiB.
TEST(UpdateArithmeticTest, ImageMachineAndImageEnd) {
  EXPECT_EQ(CAutoUpdater::ImageMachine(sim::FakeImage(0x8664, 512)), 0x8664);
  const std::string image = sim::FakeImage(0x014C, 512);
  EXPECT_EQ(CAutoUpdater::ImageMachine(image), 0x014C);
  EXPECT_EQ(CAutoUpdater::ImageMachine(image.substr(0, 0x85)), std::nullopt);  // cut header
  // No "PE", no "MZ", and an offset two gigabytes away.
  for (auto [at, byte] : {std::pair(0x81, 'X'), {0, 'Z'}, {0x3F, '\x7f'}}) {
    std::string bad = image;
    bad[at] = byte;
    EXPECT_EQ(CAutoUpdater::ImageMachine(bad), std::nullopt) << at;
  }
  std::string h(0x200, '\0');
  auto put = [&](size_t at, std::uint32_t v, int bytes) {
    for (int i = 0; i < bytes; ++i) h[at + i] = static_cast<char>(v >> (8 * i));
  };
  h[0] = 'M', h[1] = 'Z';
  put(0x3C, 0x104, 4);
  h.replace(0x104, 4, std::string("PE\0\0", 4));
  put(0x108, 0x014C, 2);
  put(0x10A, 2, 2);     // sections
  put(0x10C, 0xFF, 4);  // time stamp
  put(0x118, 0x10, 2);  // optional header size: the table starts at 0x104 + 24 + 16
  const size_t table = 0x104 + 24 + 0x10;
  put(table + 16, 0x200, 4), put(table + 20, 0x400, 4);
  put(table + 40 + 16, 0x20000, 4), put(table + 40 + 20, 0x13000, 4);
  EXPECT_EQ(CAutoUpdater::ImageMachine(h), 0x014C);
  EXPECT_EQ(CAutoUpdater::ImageEnd(h), 0x33000u);
}

using RestartTest = ClientFixture;

ZQ_ON_DESKTOP_TEST(RestartTest, RestartStartsTheFixedFileNameInTheExecutablesFolderThenExits) {
  desktop.launcher = [](std::uint32_t, const std::wstring&) { return true; };  // it exists
  pid = desktop.StartProcess(L"C:\\Program Files\\Zephquill\\Renamed.exe", L"\"Renamed.exe\"",
                             [] { return ClientMain(); });
  desktop.SleepMs(3500);
  PageCommand(L"appclientrestart", L"");
  desktop.SleepMs(100);
  ASSERT_EQ(desktop.processStarts.size(), 1u);
  EXPECT_EQ(desktop.processStarts[0].commandLine,
            L"\"C:\\Program Files\\Zephquill\\ZephquillClient.exe\" -LoadWithDelay");
  EXPECT_TRUE(desktop.Process(pid)->ended);
}

}  // namespace
}  // namespace zq
