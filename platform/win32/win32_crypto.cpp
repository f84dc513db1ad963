// The cryptography seam on Windows: CNG's SHA-256 and ECDSA P-256 verification, which take
// the public key as an ECCPUBLIC blob and the signature as the raw 64 bytes r, s.
#include <windows.h>
// windows.h first: bcrypt.h needs its types.
#include <bcrypt.h>

#include <cstring>
#include <stdexcept>
#include <vector>

#include "platform/crypto.h"

namespace zq {

namespace {

bool Succeeded(NTSTATUS status) { return status >= 0; }

// One algorithm provider, opened for the life of the object.
class Provider {
 public:
  explicit Provider(const wchar_t* algorithm) {
    if (!Succeeded(::BCryptOpenAlgorithmProvider(&handle_, algorithm, nullptr, 0)))
      handle_ = nullptr;
  }
  ~Provider() {
    if (handle_) ::BCryptCloseAlgorithmProvider(handle_, 0);
  }
  Provider(const Provider&) = delete;
  Provider& operator=(const Provider&) = delete;
  BCRYPT_ALG_HANDLE get() const { return handle_; }

 private:
  BCRYPT_ALG_HANDLE handle_ = nullptr;
};

class CngSha256 : public Sha256 {
 public:
  CngSha256() : provider_(BCRYPT_SHA256_ALGORITHM) {
    DWORD size = 0, got = 0;
    if (!provider_.get() ||
        !Succeeded(::BCryptGetProperty(provider_.get(), BCRYPT_OBJECT_LENGTH,
                                       reinterpret_cast<PUCHAR>(&size), sizeof size, &got, 0)))
      throw std::runtime_error("SHA-256 is not available");
    object_.resize(size);
    if (!Succeeded(
            ::BCryptCreateHash(provider_.get(), &hash_, object_.data(), size, nullptr, 0, 0)))
      throw std::runtime_error("SHA-256 is not available");
  }
  ~CngSha256() override {
    if (hash_) ::BCryptDestroyHash(hash_);
  }
  CngSha256(const CngSha256&) = delete;
  CngSha256& operator=(const CngSha256&) = delete;
  void Add(const void* data, std::size_t size) override {
    const auto* bytes = static_cast<const unsigned char*>(data);
    while (size > 0) {  // CNG takes at most 4 GiB at a time
      ULONG piece = size > 0x40000000u ? 0x40000000u : static_cast<ULONG>(size);
      if (!Succeeded(::BCryptHashData(hash_, const_cast<PUCHAR>(bytes), piece, 0)))
        throw std::runtime_error("SHA-256 failed");
      bytes += piece;
      size -= piece;
    }
  }
  Sha256Digest Finish() override {
    Sha256Digest digest{};
    if (!Succeeded(::BCryptFinishHash(hash_, digest.data(), digest.size(), 0)))
      throw std::runtime_error("SHA-256 failed");
    return digest;
  }

 private:
  Provider provider_;
  BCRYPT_HASH_HANDLE hash_ = nullptr;
  std::vector<unsigned char> object_;
};

}  // namespace

std::unique_ptr<Sha256> NewSha256() { return std::make_unique<CngSha256>(); }

bool VerifyP256(const std::string& publicPoint, const Sha256Digest& digest,
                const std::string& signature) {
  if (publicPoint.size() != 65 || publicPoint[0] != '\x04' || signature.size() != 64) return false;
  Provider provider(BCRYPT_ECDSA_P256_ALGORITHM);
  if (!provider.get()) return false;
  // BCRYPT_ECCKEY_BLOB, then X and Y.
  std::vector<unsigned char> blob(sizeof(BCRYPT_ECCKEY_BLOB) + 64);
  BCRYPT_ECCKEY_BLOB header{BCRYPT_ECDSA_PUBLIC_P256_MAGIC, 32};
  std::memcpy(blob.data(), &header, sizeof header);
  std::memcpy(blob.data() + sizeof header, publicPoint.data() + 1, 64);
  BCRYPT_KEY_HANDLE key = nullptr;
  if (!Succeeded(::BCryptImportKeyPair(provider.get(), nullptr, BCRYPT_ECCPUBLIC_BLOB, &key,
                                       blob.data(), static_cast<ULONG>(blob.size()), 0)))
    return false;
  std::string sig = signature;
  Sha256Digest hashed = digest;
  NTSTATUS status = ::BCryptVerifySignature(key, nullptr, hashed.data(), hashed.size(),
                                            reinterpret_cast<PUCHAR>(sig.data()), 64, 0);
  ::BCryptDestroyKey(key);
  return Succeeded(status);
}

}  // namespace zq
