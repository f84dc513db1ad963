// The public keys that this client trusts for its updates (built in when it is configured;
// a short list, so that a key can be rotated) and the check of a download's signature.
#pragma once
#include <array>
#include <optional>
#include <string>
#include <vector>

#include "platform/crypto.h"

namespace zq {

struct TrustedKey {
  std::string point;                  // 65 bytes: 0x04, X, Y
  std::array<unsigned char, 8> id{};  // the first 8 bytes of SHA-256 over its DER form
};

// The key in a PEM "PUBLIC KEY" text (as `openssl ec -pubout` writes it); nothing when it
// is no P-256 public key.
std::optional<TrustedKey> TrustedKeyFromPem(const std::string& pem);
// The keys built into this executable, in the order they were given.
const std::vector<TrustedKey>& BuiltInUpdateKeys();

// True when `signatureFile` is a well-formed signature of the file with `digest` by one of
// `keys`; otherwise false with the reason in `why` (plain text for a status line).
bool CheckUpdateSignature(const Sha256Digest& digest, const std::string& signatureFile,
                          const std::vector<TrustedKey>& keys, std::string* why);

}  // namespace zq
