// The update signature file: a strict parser (it reads what the network brings) and the
// writer that the service uses, both of the one format in UpdateSignature.h.
#include "controller/UpdateSignature.h"

#include <cstdint>
#include <vector>

namespace zq {

namespace {

const char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
const char kMagicLine[] = "zq-update-signature 1";
const char kKeyLabel[] = "key-id ";
const char kSignatureLabel[] = "ecdsa-p256-sha256 ";

int Base64Value(char c) {
  if (c >= 'A' && c <= 'Z') return c - 'A';
  if (c >= 'a' && c <= 'z') return c - 'a' + 26;
  if (c >= '0' && c <= '9') return c - '0' + 52;
  if (c == '+') return 62;
  if (c == '/') return 63;
  return -1;
}

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

// The lines of the file: "\n" ends each; one "\r" before it and a last line without it
// are allowed.
std::vector<std::string> LinesOf(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
    start = end + 1;
  }
  return lines;
}

bool Fail(std::string* why, const char* reason) {
  if (why) *why = reason;
  return false;
}

bool ReadKeyId(const std::string& line, UpdateSignature& out, std::string* why) {
  const std::size_t label = sizeof kKeyLabel - 1;
  if (line.compare(0, label, kKeyLabel) != 0 || line.size() != label + 16)
    return Fail(why, "the second line is not \"key-id\" and 16 hex digits");
  for (std::size_t i = 0; i < 8; ++i) {
    int high = HexValue(line[label + 2 * i]), low = HexValue(line[label + 2 * i + 1]);
    if (high < 0 || low < 0) return Fail(why, "the key id is not lower-case hex");
    out.keyId[i] = static_cast<unsigned char>(high << 4 | low);
  }
  return true;
}

bool ReadSignature(const std::string& line, UpdateSignature& out, std::string* why) {
  const std::size_t label = sizeof kSignatureLabel - 1;
  if (line.compare(0, label, kSignatureLabel) != 0)
    return Fail(why, "the third line is not an \"ecdsa-p256-sha256\" signature");
  std::optional<std::string> rs = Base64Decode(line.substr(label));
  if (!rs) return Fail(why, "the signature is not base64");
  if (rs->size() != 64) return Fail(why, "the signature is not 64 bytes long");
  out.rs = *rs;
  return true;
}

}  // namespace

std::string HexOf(const unsigned char* bytes, std::size_t size) {
  static const char digits[] = "0123456789abcdef";
  std::string out;
  for (std::size_t i = 0; i < size; ++i) {
    out += digits[bytes[i] >> 4];
    out += digits[bytes[i] & 15];
  }
  return out;
}

std::string Base64Encode(const std::string& bytes) {
  std::string out;
  for (std::size_t i = 0; i < bytes.size(); i += 3) {
    std::uint32_t n = static_cast<unsigned char>(bytes[i]) << 16;
    if (i + 1 < bytes.size()) n |= static_cast<unsigned char>(bytes[i + 1]) << 8;
    if (i + 2 < bytes.size()) n |= static_cast<unsigned char>(bytes[i + 2]);
    out += kAlphabet[n >> 18 & 63];
    out += kAlphabet[n >> 12 & 63];
    out += i + 1 < bytes.size() ? kAlphabet[n >> 6 & 63] : '=';
    out += i + 2 < bytes.size() ? kAlphabet[n & 63] : '=';
  }
  return out;
}

std::optional<std::string> Base64Decode(const std::string& text) {
  if (text.size() % 4 != 0) return std::nullopt;
  std::string out;
  for (std::size_t i = 0; i < text.size(); i += 4) {
    const bool last = i + 4 == text.size();
    const int pad = last ? (text[i + 3] == '=') + (text[i + 2] == '=' && text[i + 3] == '=') : 0;
    std::uint32_t n = 0;
    for (int k = 0; k < 4; ++k) {
      int v = k >= 4 - pad ? 0 : Base64Value(text[i + k]);
      if (v < 0) return std::nullopt;
      n = n << 6 | static_cast<std::uint32_t>(v);
    }
    out += static_cast<char>(n >> 16 & 0xFF);
    if (pad < 2) out += static_cast<char>(n >> 8 & 0xFF);
    if (pad < 1) out += static_cast<char>(n & 0xFF);
    // Only the canonical form: the bits that padding leaves over are zero.
    if ((pad == 1 && (n & 0xFF)) || (pad == 2 && (n & 0xFFFF))) return std::nullopt;
  }
  return out;
}

std::optional<UpdateSignature> ParseUpdateSignature(const std::string& text, std::string* why) {
  if (text.empty()) return Fail(why, "the signature file is empty"), std::nullopt;
  if (text.size() > kMaxSignatureFileSize)
    return Fail(why, "the signature file is too long"), std::nullopt;
  std::vector<std::string> lines = LinesOf(text);
  if (lines[0] != kMagicLine)
    return Fail(why, "the file does not start with \"zq-update-signature 1\""), std::nullopt;
  if (lines.size() != 3) return Fail(why, "the file does not have three lines"), std::nullopt;
  UpdateSignature signature;
  if (!ReadKeyId(lines[1], signature, why) || !ReadSignature(lines[2], signature, why))
    return std::nullopt;
  return signature;
}

std::string FormatUpdateSignature(const UpdateSignature& signature) {
  return std::string(kMagicLine) + "\n" + kKeyLabel +
         HexOf(signature.keyId.data(), signature.keyId.size()) + "\n" + kSignatureLabel +
         Base64Encode(signature.rs) + "\n";
}

}  // namespace zq
