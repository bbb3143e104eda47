#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// Signatures in minisign's format (Ed25519; https://jedisct1.github.io/minisign/), which the
// publisher makes with the standard `minisign` tool: the installer accepts an update manifest only
// when one of the keys pinned into the build signed its exact bytes.
namespace minisign {

// A public key: its 8-byte id and the Ed25519 key.
struct PublicKey {
  std::array<uint8_t, 8> keyId;
  std::array<uint8_t, 32> key;
};

// Reads a public key from minisign's text: the base64 line ("RW..."), alone or as the second
// line of a ".pub" file after its untrusted comment. Nothing when the text is no such key.
std::optional<PublicKey> ParsePublicKey(std::string_view text);

// Reads the keys a build pins, separated by ';' (current and next, for a rotation). Nothing when
// one of them is no key or a key id appears twice: a build must say unambiguously whom it trusts.
std::optional<std::vector<PublicKey>> ParsePinnedKeys(std::string_view list);

enum class Verdict {
  kValid,
  kMalformed,         // not a signature file, or base64 or lengths that do not fit
  kUnknownKey,        // made by a key the build does not pin
  kBadSignature,      // the data's signature does not verify
  kBadTrustedComment  // the trusted comment's signature does not verify
};

// Checks the ".minisig" text signatureFile over data against the pinned keys. Both of minisign's
// modes are accepted: the hashed one ("ED", the signature covers the data's BLAKE2b-512, what
// minisign makes by default) and the plain one ("Ed"). The trusted comment's own signature is
// checked too. trustedComment, when given, receives the comment of a valid signature.
Verdict Verify(std::string_view data,
               std::string_view signatureFile,
               const std::vector<PublicKey>& keys,
               std::string* trustedComment = nullptr);

// The signing time that a trusted comment names ("timestamp:<seconds since 1970>", as
// `minisign -S` writes it, first or after a tab); nothing when it names none or no valid number.
std::optional<long long> SigningTime(std::string_view trustedComment);

// Strict base64 (RFC 4648, padded, no white space); nothing when the text is not.
std::optional<std::vector<uint8_t>> DecodeBase64(std::string_view text);

}  // namespace minisign
