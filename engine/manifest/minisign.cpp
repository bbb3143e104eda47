#include "engine/manifest/minisign.h"

#include <sodium/crypto_generichash_blake2b.h>
#include <sodium/crypto_sign_ed25519.h>

#include <algorithm>
#include <cstring>

namespace minisign {
namespace {

constexpr size_t kKeyIdBytes = 8;
constexpr size_t kSignatureBytes = 64;
constexpr size_t kHashBytes = 64;
constexpr std::string_view kUntrustedPrefix = "untrusted comment: ";
constexpr std::string_view kTrustedPrefix = "trusted comment: ";

int Base64Value(char c) {
  if (c >= 'A' && c <= 'Z')
    return c - 'A';
  if (c >= 'a' && c <= 'z')
    return c - 'a' + 26;
  if (c >= '0' && c <= '9')
    return c - '0' + 52;
  if (c == '+')
    return 62;
  if (c == '/')
    return 63;
  return -1;
}

// Splits text into lines at "\n", each without its "\r"; a final line break ends the last line.
std::vector<std::string_view> Lines(std::string_view text) {
  std::vector<std::string_view> lines;
  while (!text.empty()) {
    const size_t end = text.find('\n');
    std::string_view line = text.substr(0, end);
    if (!line.empty() && line.back() == '\r')
      line.remove_suffix(1);
    lines.push_back(line);
    if (end == std::string_view::npos)
      break;
    text.remove_prefix(end + 1);
  }
  return lines;
}

bool StartsWith(std::string_view text, std::string_view prefix) {
  return text.substr(0, prefix.size()) == prefix;
}

bool VerifyEd25519(const uint8_t* signature,
                   const uint8_t* message,
                   size_t length,
                   const PublicKey& key) {
  return crypto_sign_ed25519_verify_detached(signature, message, length, key.key.data()) == 0;
}

}  // namespace

std::optional<std::vector<uint8_t>> DecodeBase64(std::string_view text) {
  if (text.size() % 4 != 0)
    return std::nullopt;
  std::vector<uint8_t> bytes;
  bytes.reserve(text.size() / 4 * 3);
  for (size_t at = 0; at < text.size(); at += 4) {
    const bool last = at + 4 == text.size();
    int values[4];
    int padding = 0;
    for (int i = 0; i < 4; ++i) {
      const char c = text[at + i];
      // Padding only at the end of the last group, at most two.
      if (c == '=' && last && i >= 2) {
        ++padding;
        values[i] = 0;
        continue;
      }
      if (padding > 0)
        return std::nullopt;
      values[i] = Base64Value(c);
      if (values[i] < 0)
        return std::nullopt;
    }
    const uint32_t group =
        (values[0] << 18) | (values[1] << 12) | (values[2] << 6) | static_cast<uint32_t>(values[3]);
    bytes.push_back(static_cast<uint8_t>(group >> 16));
    if (padding < 2)
      bytes.push_back(static_cast<uint8_t>(group >> 8));
    if (padding < 1)
      bytes.push_back(static_cast<uint8_t>(group));
    // The bits the padding leaves over must be zero, so that one text means one byte string.
    if ((padding == 1 && (values[2] & 0x3)) || (padding == 2 && (values[1] & 0xF)))
      return std::nullopt;
  }
  return bytes;
}

std::optional<PublicKey> ParsePublicKey(std::string_view text) {
  std::vector<std::string_view> lines = Lines(text);
  if (lines.size() == 2 && StartsWith(lines[0], kUntrustedPrefix))
    lines.erase(lines.begin());
  if (lines.size() != 1)
    return std::nullopt;
  const std::optional<std::vector<uint8_t>> bytes = DecodeBase64(lines[0]);
  if (!bytes || bytes->size() != 2 + kKeyIdBytes + 32 || (*bytes)[0] != 'E' || (*bytes)[1] != 'd')
    return std::nullopt;
  PublicKey key;
  std::copy_n(bytes->begin() + 2, kKeyIdBytes, key.keyId.begin());
  std::copy_n(bytes->begin() + 2 + kKeyIdBytes, key.key.size(), key.key.begin());
  return key;
}

std::optional<std::vector<PublicKey>> ParsePinnedKeys(std::string_view list) {
  std::vector<PublicKey> keys;
  while (!list.empty()) {
    const size_t end = list.find(';');
    std::string_view item = list.substr(0, end);
    while (!item.empty() && (item.front() == ' ' || item.front() == '\t'))
      item.remove_prefix(1);
    while (!item.empty() && (item.back() == ' ' || item.back() == '\t'))
      item.remove_suffix(1);
    if (!item.empty()) {
      const std::optional<PublicKey> key = ParsePublicKey(item);
      if (!key)
        return std::nullopt;
      const bool known = std::any_of(keys.begin(), keys.end(), [&](const PublicKey& other) {
        return other.keyId == key->keyId;
      });
      if (known)
        return std::nullopt;
      keys.push_back(*key);
    }
    if (end == std::string_view::npos)
      break;
    list.remove_prefix(end + 1);
  }
  return keys;
}

Verdict Verify(std::string_view data,
               std::string_view signatureFile,
               const std::vector<PublicKey>& keys,
               std::string* trustedComment) {
  const std::vector<std::string_view> lines = Lines(signatureFile);
  if (lines.size() != 4 || !StartsWith(lines[0], kUntrustedPrefix) ||
      !StartsWith(lines[2], kTrustedPrefix))
    return Verdict::kMalformed;
  const std::optional<std::vector<uint8_t>> signature = DecodeBase64(lines[1]);
  const std::optional<std::vector<uint8_t>> globalSignature = DecodeBase64(lines[3]);
  if (!signature || signature->size() != 2 + kKeyIdBytes + kSignatureBytes || !globalSignature ||
      globalSignature->size() != kSignatureBytes)
    return Verdict::kMalformed;
  const uint8_t algorithm0 = (*signature)[0];
  const uint8_t algorithm1 = (*signature)[1];
  const bool hashed = algorithm0 == 'E' && algorithm1 == 'D';
  const bool plain = algorithm0 == 'E' && algorithm1 == 'd';
  if (!hashed && !plain)
    return Verdict::kMalformed;

  const auto key = std::find_if(keys.begin(), keys.end(), [&](const PublicKey& candidate) {
    return std::equal(candidate.keyId.begin(), candidate.keyId.end(), signature->begin() + 2);
  });
  if (key == keys.end())
    return Verdict::kUnknownKey;

  const uint8_t* dataSignature = signature->data() + 2 + kKeyIdBytes;
  bool dataValid;
  if (hashed) {
    uint8_t hash[kHashBytes];
    crypto_generichash_blake2b(hash, sizeof(hash),
                               reinterpret_cast<const unsigned char*>(data.data()), data.size(),
                               nullptr, 0);
    dataValid = VerifyEd25519(dataSignature, hash, sizeof(hash), *key);
  } else {
    dataValid = VerifyEd25519(dataSignature, reinterpret_cast<const uint8_t*>(data.data()),
                              data.size(), *key);
  }
  if (!dataValid)
    return Verdict::kBadSignature;

  // The trusted comment is signed together with the data's signature.
  const std::string_view comment = lines[2].substr(kTrustedPrefix.size());
  std::vector<uint8_t> signedComment(dataSignature, dataSignature + kSignatureBytes);
  signedComment.insert(signedComment.end(), comment.begin(), comment.end());
  if (!VerifyEd25519(globalSignature->data(), signedComment.data(), signedComment.size(), *key))
    return Verdict::kBadTrustedComment;
  if (trustedComment)
    trustedComment->assign(comment);
  return Verdict::kValid;
}

std::optional<long long> SigningTime(std::string_view trustedComment) {
  constexpr std::string_view kField = "timestamp:";
  size_t field = 0;
  while (field < trustedComment.size() && trustedComment.substr(field, kField.size()) != kField) {
    field = trustedComment.find('\t', field);
    if (field == std::string_view::npos)
      return std::nullopt;
    ++field;
  }
  if (field >= trustedComment.size())
    return std::nullopt;
  const size_t start = field + kField.size();
  const size_t end = trustedComment.find('\t', start);
  const std::string_view digits =
      trustedComment.substr(start, end == std::string_view::npos ? end : end - start);
  // Up to 12 digits: any time before the year 33000, and no overflow.
  if (digits.empty() || digits.size() > 12 ||
      digits.find_first_not_of("0123456789") != std::string_view::npos)
    return std::nullopt;
  long long seconds = 0;
  for (char digit : digits)
    seconds = seconds * 10 + (digit - '0');
  return seconds;
}

}  // namespace minisign
