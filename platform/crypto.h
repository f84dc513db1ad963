// The cryptography seam: SHA-256 over data given in pieces, and ECDSA P-256 verification,
// from the operating system (CNG on Windows) or a well-kept library (OpenSSL) elsewhere.
#pragma once
#include <array>
#include <cstddef>
#include <memory>
#include <string>

namespace zq {

using Sha256Digest = std::array<unsigned char, 32>;

// The DER SubjectPublicKeyInfo of a P-256 public key is this prefix, then the 65-byte
// uncompressed point (0x04, X, Y).
constexpr unsigned char kP256KeyInfoPrefix[] = {
    0x30, 0x59, 0x30, 0x13, 0x06, 0x07, 0x2a, 0x86, 0x48, 0xce, 0x3d, 0x02, 0x01,
    0x06, 0x08, 0x2a, 0x86, 0x48, 0xce, 0x3d, 0x03, 0x01, 0x07, 0x03, 0x42, 0x00};

// A SHA-256 computation fed in pieces.
class Sha256 {
 public:
  virtual ~Sha256() = default;
  virtual void Add(const void* data, std::size_t size) = 0;
  // The digest of everything added; the object is spent afterwards.
  virtual Sha256Digest Finish() = 0;
};

// A new computation; never null (a backend that cannot hash throws).
std::unique_ptr<Sha256> NewSha256();
inline Sha256Digest Sha256Of(const std::string& bytes) {
  std::unique_ptr<Sha256> hash = NewSha256();
  hash->Add(bytes.data(), bytes.size());
  return hash->Finish();
}

// True only when `signature` (64 bytes: r then s, each 32 bytes big-endian) is a valid
// ECDSA P-256 signature of `digest` under `publicPoint` (65 bytes: 0x04, X, Y). Every
// malformed input is simply not valid.
bool VerifyP256(const std::string& publicPoint, const Sha256Digest& digest,
                const std::string& signature);

}  // namespace zq
