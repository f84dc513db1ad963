// The cryptography seam off Windows (the simulated desktop, its tools and tests): OpenSSL's
// SHA-256 and ECDSA P-256 verification.
#include <openssl/ecdsa.h>
#include <openssl/evp.h>
#include <openssl/x509.h>

#include <new>
#include <stdexcept>

#include "platform/crypto.h"

namespace zq {

namespace {

class OpenSslSha256 : public Sha256 {
 public:
  OpenSslSha256() : ctx_(EVP_MD_CTX_new()) {
    if (!ctx_) throw std::bad_alloc();
    if (EVP_DigestInit_ex(ctx_, EVP_sha256(), nullptr) != 1) {
      EVP_MD_CTX_free(ctx_);
      throw std::runtime_error("SHA-256 is not available");
    }
  }
  ~OpenSslSha256() override { EVP_MD_CTX_free(ctx_); }
  OpenSslSha256(const OpenSslSha256&) = delete;
  OpenSslSha256& operator=(const OpenSslSha256&) = delete;
  void Add(const void* data, std::size_t size) override {
    if (EVP_DigestUpdate(ctx_, data, size) != 1) throw std::runtime_error("SHA-256 failed");
  }
  Sha256Digest Finish() override {
    Sha256Digest digest{};
    unsigned length = 0;
    if (EVP_DigestFinal_ex(ctx_, digest.data(), &length) != 1 || length != digest.size())
      throw std::runtime_error("SHA-256 failed");
    return digest;
  }

 private:
  EVP_MD_CTX* ctx_;
};

// r and s as the DER structure that OpenSSL verifies; empty when they cannot be formed.
std::string DerSignature(const std::string& rs) {
  const auto* bytes = reinterpret_cast<const unsigned char*>(rs.data());
  ECDSA_SIG* sig = ECDSA_SIG_new();
  BIGNUM* r = BN_bin2bn(bytes, 32, nullptr);
  BIGNUM* s = BN_bin2bn(bytes + 32, 32, nullptr);
  std::string der;
  if (sig && r && s && ECDSA_SIG_set0(sig, r, s) == 1) {
    r = s = nullptr;  // owned by sig now
    unsigned char* out = nullptr;
    int length = i2d_ECDSA_SIG(sig, &out);
    if (length > 0) der.assign(reinterpret_cast<char*>(out), static_cast<std::size_t>(length));
    OPENSSL_free(out);
  }
  BN_free(r);
  BN_free(s);
  ECDSA_SIG_free(sig);
  return der;
}

}  // namespace

std::unique_ptr<Sha256> NewSha256() { return std::make_unique<OpenSslSha256>(); }

bool VerifyP256(const std::string& publicPoint, const Sha256Digest& digest,
                const std::string& signature) {
  if (publicPoint.size() != 65 || publicPoint[0] != '\x04' || signature.size() != 64) return false;
  std::string info(reinterpret_cast<const char*>(kP256KeyInfoPrefix), sizeof kP256KeyInfoPrefix);
  info += publicPoint;
  const auto* in = reinterpret_cast<const unsigned char*>(info.data());
  EVP_PKEY* key = d2i_PUBKEY(nullptr, &in, static_cast<long>(info.size()));
  const std::string der = DerSignature(signature);
  EVP_PKEY_CTX* ctx = key ? EVP_PKEY_CTX_new(key, nullptr) : nullptr;
  bool valid = ctx && !der.empty() && EVP_PKEY_verify_init(ctx) == 1 &&
               EVP_PKEY_verify(ctx, reinterpret_cast<const unsigned char*>(der.data()), der.size(),
                               digest.data(), digest.size()) == 1;
  EVP_PKEY_CTX_free(ctx);
  EVP_PKEY_free(key);
  return valid;
}

}  // namespace zq
