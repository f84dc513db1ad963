// Trusted update keys from their PEM texts, and the signature check that decides whether a
// downloaded executable may take the running one's place.
#include "controller/UpdateKeys.h"

#include <algorithm>

#include "controller/UpdateSignature.h"

namespace zq {

// Generated from the key files given when the build was configured (UpdateKeysBuiltIn.cpp).
extern const char* const kBuiltInUpdateKeyPems[];
extern const std::size_t kBuiltInUpdateKeyCount;

std::optional<TrustedKey> TrustedKeyFromPem(const std::string& pem) {
  const std::string begin = "-----BEGIN PUBLIC KEY-----", end = "-----END PUBLIC KEY-----";
  std::size_t from = pem.find(begin), to = pem.find(end);
  if (from == std::string::npos || to == std::string::npos || to < from) return std::nullopt;
  std::string body;
  for (std::size_t i = from + begin.size(); i < to; ++i)
    if (pem[i] != '\n' && pem[i] != '\r' && pem[i] != ' ') body += pem[i];
  std::optional<std::string> der = Base64Decode(body);
  const std::string prefix(reinterpret_cast<const char*>(kP256KeyInfoPrefix),
                           sizeof kP256KeyInfoPrefix);
  if (!der || der->size() != prefix.size() + 65 || der->compare(0, prefix.size(), prefix) != 0 ||
      (*der)[prefix.size()] != '\x04')
    return std::nullopt;
  TrustedKey key;
  key.point = der->substr(prefix.size());
  Sha256Digest digest = Sha256Of(*der);
  std::copy_n(digest.begin(), key.id.size(), key.id.begin());
  return key;
}

const std::vector<TrustedKey>& BuiltInUpdateKeys() {
  static const std::vector<TrustedKey> keys = [] {
    std::vector<TrustedKey> list;
    for (std::size_t i = 0; i < kBuiltInUpdateKeyCount; ++i)
      if (std::optional<TrustedKey> key = TrustedKeyFromPem(kBuiltInUpdateKeyPems[i]))
        list.push_back(*key);
    return list;
  }();
  return keys;
}

bool CheckUpdateSignature(const Sha256Digest& digest, const std::string& signatureFile,
                          const std::vector<TrustedKey>& keys, std::string* why) {
  std::string reason;
  std::optional<UpdateSignature> signature = ParseUpdateSignature(signatureFile, &reason);
  if (!signature) {
    if (why) *why = "the signature file is malformed: " + reason;
    return false;
  }
  const std::string id = HexOf(signature->keyId.data(), signature->keyId.size());
  for (const TrustedKey& key : keys) {
    if (key.id != signature->keyId) continue;
    if (VerifyP256(key.point, digest, signature->rs)) return true;
    if (why) *why = "the signature by key " + id + " does not match the download";
    return false;
  }
  if (why) *why = "the download is signed by key " + id + ", which this client does not trust";
  return false;
}

}  // namespace zq
