// Fuzz target of the update signature file's parser: any bytes from the network either
// fail with a reason or give a signature whose written form reads back the same, and
// base64 decoding round-trips whatever it accepts.
#include "controller/UpdateSignature.h"
#include "fuzz/FuzzSupport.h"

using zqfuzz::Require;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string input(reinterpret_cast<const char*>(data), size);
  std::string why;
  std::optional<zq::UpdateSignature> parsed = zq::ParseUpdateSignature(input, &why);
  if (!parsed) {
    Require(!why.empty());
  } else {
    Require(parsed->rs.size() == 64);
    const std::string written = zq::FormatUpdateSignature(*parsed);
    std::optional<zq::UpdateSignature> again = zq::ParseUpdateSignature(written, nullptr);
    Require(again && again->keyId == parsed->keyId && again->rs == parsed->rs);
    // Only line ends may differ between what was read and its canonical form.
    std::string plain;
    for (char c : input)
      if (c != '\r') plain += c;
    if (plain.empty() || plain.back() != '\n') plain += '\n';
    Require(plain == written);
  }
  if (std::optional<std::string> decoded = zq::Base64Decode(input))
    Require(zq::Base64Encode(*decoded) == input);
  return 0;
}
