// The service's update signing with OpenSSL: the private key read once, each file's
// SHA-256 digest signed and written in the client's signature format.
#include "service/UpdateSigner.h"

#include <openssl/ec.h>
#include <openssl/ecdsa.h>
#include <openssl/evp.h>
#include <openssl/obj_mac.h>
#include <openssl/pem.h>
#include <openssl/x509.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include "controller/UpdateSignature.h"
#include "platform/crypto.h"

namespace zqs {

struct UpdateSigner::Key {
  EVP_PKEY* pkey = nullptr;
  ~Key() { EVP_PKEY_free(pkey); }
};

UpdateSigner::UpdateSigner(std::unique_ptr<Key> key) : key_(std::move(key)) {
  unsigned char* der = nullptr;
  const int length = i2d_PUBKEY(key_->pkey, &der);
  if (length <= 0) throw std::runtime_error("cannot write the signing key's public part");
  const std::string bytes(reinterpret_cast<char*>(der), static_cast<std::size_t>(length));
  OPENSSL_free(der);  // before anything that may throw
  const zq::Sha256Digest digest = zq::Sha256Of(bytes);
  std::copy_n(digest.begin(), keyId_.size(), keyId_.begin());
  keyIdHex_ = zq::HexOf(keyId_.data(), keyId_.size());
}

UpdateSigner::~UpdateSigner() = default;

std::shared_ptr<const UpdateSigner> UpdateSigner::FromPemFile(const std::string& path) {
  std::FILE* in = std::fopen(path.c_str(), "r");
  if (!in) throw std::runtime_error("cannot read the signing key " + path);
  auto key = std::make_unique<Key>();
  key->pkey = PEM_read_PrivateKey(in, nullptr, nullptr, nullptr);
  std::fclose(in);
  char curve[64] = {};
  std::size_t curveLength = 0;
  if (!key->pkey || EVP_PKEY_get_base_id(key->pkey) != EVP_PKEY_EC ||
      EVP_PKEY_get_utf8_string_param(key->pkey, "group", curve, sizeof curve, &curveLength) != 1 ||
      std::string(curve) != SN_X9_62_prime256v1)
    throw std::runtime_error("the signing key " + path + " is no P-256 (prime256v1) private key");
  return std::shared_ptr<const UpdateSigner>(new UpdateSigner(std::move(key)));
}

std::string UpdateSigner::Sign(const std::string& bytes) const {
  const zq::Sha256Digest digest = zq::Sha256Of(bytes);
  EVP_PKEY_CTX* ctx = EVP_PKEY_CTX_new(key_->pkey, nullptr);
  std::size_t length = 0;
  std::string der;
  if (ctx && EVP_PKEY_sign_init(ctx) == 1 &&
      EVP_PKEY_sign(ctx, nullptr, &length, digest.data(), digest.size()) == 1) {
    der.resize(length);
    if (EVP_PKEY_sign(ctx, reinterpret_cast<unsigned char*>(der.data()), &length, digest.data(),
                      digest.size()) == 1)
      der.resize(length);
    else
      der.clear();
  }
  EVP_PKEY_CTX_free(ctx);
  // OpenSSL writes the DER structure; the file carries r and s as 32 bytes each.
  const auto* in = reinterpret_cast<const unsigned char*>(der.data());
  ECDSA_SIG* sig =
      der.empty() ? nullptr : d2i_ECDSA_SIG(nullptr, &in, static_cast<long>(der.size()));
  zq::UpdateSignature out;
  out.rs.assign(64, '\0');
  auto* rs = reinterpret_cast<unsigned char*>(out.rs.data());
  bool ok = sig && BN_bn2binpad(ECDSA_SIG_get0_r(sig), rs, 32) == 32 &&
            BN_bn2binpad(ECDSA_SIG_get0_s(sig), rs + 32, 32) == 32;
  ECDSA_SIG_free(sig);
  if (!ok) throw std::runtime_error("signing failed");
  out.keyId = keyId_;
  return zq::FormatUpdateSignature(out);
}

int SignOneFile(const std::string& keyPath, const std::string& file) {
  try {
    std::shared_ptr<const UpdateSigner> signer = UpdateSigner::FromPemFile(keyPath);
    std::ifstream in(file, std::ios::binary);
    std::ostringstream bytes;
    if (!in || !(bytes << in.rdbuf())) throw std::runtime_error("cannot read " + file);
    std::ofstream out(file + ".sig", std::ios::binary | std::ios::trunc);
    if (!(out << signer->Sign(bytes.str())) || !out.flush())
      throw std::runtime_error("cannot write " + file + ".sig");
    std::printf("zqservice: %s.sig signed by key %s\n", file.c_str(), signer->KeyId().c_str());
    return 0;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "zqservice: %s\n", e.what());
    return 1;
  }
}

}  // namespace zqs
