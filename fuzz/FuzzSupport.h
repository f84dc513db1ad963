// Helpers shared by the fuzz targets, with the standard headers they all use: byte-to-text
// conversions, a hard invariant check, and a minimal platform whose only working part is the
// system seam (ANSI text, error texts).
#pragma once
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cwctype>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/platform.h"

namespace zqfuzz {

// Stops the run so that the fuzzer keeps the input that broke an invariant.
inline void Require(bool condition) {
  if (!condition) std::abort();
}

// One character per byte, so that corpus files stay readable text.
inline std::wstring Widen(const std::uint8_t* data, std::size_t size) {
  std::wstring out;
  out.reserve(size);
  for (std::size_t i = 0; i < size; ++i) out += static_cast<wchar_t>(data[i]);
  return out;
}

// The text split at every '\n'; always at least one (possibly empty) piece.
template <class Text>
std::vector<Text> SplitLines(const Text& text) {
  std::vector<Text> lines;
  for (std::size_t start = 0;;) {
    std::size_t end = text.find(typename Text::value_type('\n'), start);
    if (end == Text::npos) {
      lines.push_back(text.substr(start));
      return lines;
    }
    lines.push_back(text.substr(start, end - start));
    start = end + 1;
  }
}

// A platform for pure code that only reaches the system seam, Windows-1252 as on the
// simulated desktop with an error text that the fuzz input chooses; any other use is a
// fault of the target and stops the run.
class FuzzPlatform : public zq::Platform, public zq::System {
 public:
  std::optional<std::wstring> errorText;

  std::optional<std::wstring> ErrorText(std::int32_t) override { return errorText; }
  int MajorVersion() override { return 5; }
  int PlatformId() override { return 2; }
  zq::System& system() override { return *this; }
  zq::Windows& windows() override { std::abort(); }
  zq::Clock& clock() override { std::abort(); }
  zq::Threads& threads() override { std::abort(); }
  zq::Profile& profile() override { std::abort(); }
  zq::Registry& registry() override { std::abort(); }
  zq::Processes& processes() override { std::abort(); }
  zq::Mutexes& mutexes() override { std::abort(); }
  zq::Resources& resources() override { std::abort(); }
  zq::Shell& shell() override { std::abort(); }
  zq::Com& com() override { std::abort(); }
  zq::Dde& dde() override { std::abort(); }
  zq::ShellWindows& shellWindows() override { std::abort(); }
  zq::WebControls& web() override { std::abort(); }
  zq::Internet& internet() override { std::abort(); }
  zq::IEApplications& ieApps() override { std::abort(); }
  zq::Accessibility& accessibility() override { std::abort(); }
};

// The calling thread's fuzz platform, bound on first use.
inline FuzzPlatform& BoundPlatform() {
  static FuzzPlatform platform;
  zq::BindThread(&platform);
  return platform;
}

}  // namespace zqfuzz
