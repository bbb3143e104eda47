#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// MD5 message digest (RFC 1321). Feed bytes with Update; HexDigest finishes the digest once and
// returns it as 32 lowercase hexadecimal digits (later calls return the same digest).
class Md5 {
 public:
  Md5();

  void Update(const void* data, size_t size);
  std::string HexDigest();

 private:
  void Transform(const uint8_t block[64]);
  void Finish();

  uint32_t state_[4];
  uint32_t bitCount_[2];  // low word first
  uint8_t buffer_[64];
  bool finished_ = false;
  uint8_t digest_[16];
};
