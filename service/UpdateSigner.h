// Signs the files offered under Download/ with the service's private update key (ECDSA
// P-256 over SHA-256), as the signature file "NAME.sig" that the client checks.
#pragma once

#include <array>
#include <memory>
#include <string>

namespace zqs {

class UpdateSigner {
 public:
  // Reads a PEM private key (as `openssl ecparam -name prime256v1 -genkey` writes it);
  // throws std::runtime_error naming the file when it is no P-256 private key.
  static std::shared_ptr<const UpdateSigner> FromPemFile(const std::string& path);
  ~UpdateSigner();
  UpdateSigner(const UpdateSigner&) = delete;
  UpdateSigner& operator=(const UpdateSigner&) = delete;

  // The text of the signature file for `bytes` (controller/UpdateSignature.h).
  std::string Sign(const std::string& bytes) const;
  // The key's id as the signature file names it (16 hex digits).
  const std::string& KeyId() const { return keyIdHex_; }

 private:
  struct Key;
  explicit UpdateSigner(std::unique_ptr<Key> key);
  std::unique_ptr<Key> key_;
  std::array<unsigned char, 8> keyId_{};
  std::string keyIdHex_;
};

// zqservice --signing-key KEY --sign FILE: writes FILE.sig; 0, or 1 after a message.
int SignOneFile(const std::string& keyPath, const std::string& file);

}  // namespace zqs
