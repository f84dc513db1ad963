// The signature file that the service serves beside each download ("NAME.sig"): three
// text lines naming the format, the signing key's id and the ECDSA P-256 signature.
#pragma once
#include <array>
#include <cstddef>
#include <optional>
#include <string>

namespace zq {

// The file, byte for byte (each line ends with "\n"; a final "\r\n" or a missing last
// line break is tolerated, nothing else):
//   zq-update-signature 1
//   key-id <16 lower-case hex digits: the first 8 bytes of SHA-256 over the key's DER
//           SubjectPublicKeyInfo>
//   ecdsa-p256-sha256 <88 characters: base64 of r and s, 32 bytes each, big-endian>
// The signature is over the SHA-256 digest of the whole downloaded file.
struct UpdateSignature {
  std::array<unsigned char, 8> keyId{};
  std::string rs;  // 64 bytes
};

// Longer signature files are not read at all.
constexpr std::size_t kMaxSignatureFileSize = 512;

// The signature in `text`; nothing when it is not exactly of the form above, with a short
// reason in `why` (plain text for a status line).
std::optional<UpdateSignature> ParseUpdateSignature(const std::string& text, std::string* why);
std::string FormatUpdateSignature(const UpdateSignature& signature);

// Lower-case hex of bytes.
std::string HexOf(const unsigned char* bytes, std::size_t size);
// Standard base64 with padding; decoding refuses anything that is not exactly that.
std::string Base64Encode(const std::string& bytes);
std::optional<std::string> Base64Decode(const std::string& text);

}  // namespace zq
