#include "engine/common/md5.h"

#include <cstring>

#include "engine/common/digest_hex.h"

namespace {

constexpr uint32_t kShifts[64] = {7, 12, 17, 22, 7, 12, 17, 22, 7, 12, 17, 22, 7, 12, 17, 22,
                                  5, 9,  14, 20, 5, 9,  14, 20, 5, 9,  14, 20, 5, 9,  14, 20,
                                  4, 11, 16, 23, 4, 11, 16, 23, 4, 11, 16, 23, 4, 11, 16, 23,
                                  6, 10, 15, 21, 6, 10, 15, 21, 6, 10, 15, 21, 6, 10, 15, 21};

// floor(abs(sin(i + 1)) * 2^32), as tabulated in RFC 1321.
constexpr uint32_t kSines[64] = {
    0xd76aa478, 0xe8c7b756, 0x242070db, 0xc1bdceee, 0xf57c0faf, 0x4787c62a, 0xa8304613, 0xfd469501,
    0x698098d8, 0x8b44f7af, 0xffff5bb1, 0x895cd7be, 0x6b901122, 0xfd987193, 0xa679438e, 0x49b40821,
    0xf61e2562, 0xc040b340, 0x265e5a51, 0xe9b6c7aa, 0xd62f105d, 0x02441453, 0xd8a1e681, 0xe7d3fbc8,
    0x21e1cde6, 0xc33707d6, 0xf4d50d87, 0x455a14ed, 0xa9e3e905, 0xfcefa3f8, 0x676f02d9, 0x8d2a4c8a,
    0xfffa3942, 0x8771f681, 0x6d9d6122, 0xfde5380c, 0xa4beea44, 0x4bdecfa9, 0xf6bb4b60, 0xbebfbc70,
    0x289b7ec6, 0xeaa127fa, 0xd4ef3085, 0x04881d05, 0xd9d4d039, 0xe6db99e5, 0x1fa27cf8, 0xc4ac5665,
    0xf4292244, 0x432aff97, 0xab9423a7, 0xfc93a039, 0x655b59c3, 0x8f0ccc92, 0xffeff47d, 0x85845dd1,
    0x6fa87e4f, 0xfe2ce6e0, 0xa3014314, 0x4e0811a1, 0xf7537e82, 0xbd3af235, 0x2ad7d2bb, 0xeb86d391};

uint32_t RotateLeft(uint32_t value, uint32_t bits) {
  return (value << bits) | (value >> (32 - bits));
}

}  // namespace

Md5::Md5() : state_{0x67452301, 0xefcdab89, 0x98badcfe, 0x10325476}, bitCount_{0, 0} {}

void Md5::Update(const void* data, size_t size) {
  const uint8_t* bytes = static_cast<const uint8_t*>(data);
  size_t used = (bitCount_[0] >> 3) & 63;
  uint32_t addedBits = static_cast<uint32_t>(size << 3);
  bitCount_[0] += addedBits;
  if (bitCount_[0] < addedBits)
    ++bitCount_[1];
  bitCount_[1] += static_cast<uint32_t>(static_cast<uint64_t>(size) >> 29);

  size_t free = 64 - used;
  size_t offset = 0;
  if (size >= free) {
    std::memcpy(buffer_ + used, bytes, free);
    Transform(buffer_);
    for (offset = free; offset + 64 <= size; offset += 64)
      Transform(bytes + offset);
    used = 0;
  }
  std::memcpy(buffer_ + used, bytes + offset, size - offset);
}

std::string Md5::HexDigest() {
  if (!finished_)
    Finish();
  return DigestHex(digest_, sizeof digest_);
}

void Md5::Finish() {
  uint8_t length[8];
  for (int i = 0; i < 8; ++i)
    length[i] = static_cast<uint8_t>(bitCount_[i / 4] >> ((i % 4) * 8));
  size_t used = (bitCount_[0] >> 3) & 63;
  size_t padding = used < 56 ? 56 - used : 120 - used;
  uint8_t pad[64] = {0x80};
  Update(pad, padding);
  Update(length, 8);
  for (int i = 0; i < 16; ++i)
    digest_[i] = static_cast<uint8_t>(state_[i / 4] >> ((i % 4) * 8));
  finished_ = true;
}

void Md5::Transform(const uint8_t block[64]) {
  uint32_t words[16];
  for (int i = 0; i < 16; ++i) {
    words[i] = static_cast<uint32_t>(block[i * 4]) |
               (static_cast<uint32_t>(block[i * 4 + 1]) << 8) |
               (static_cast<uint32_t>(block[i * 4 + 2]) << 16) |
               (static_cast<uint32_t>(block[i * 4 + 3]) << 24);
  }
  uint32_t a = state_[0], b = state_[1], c = state_[2], d = state_[3];
  // One loop per round, so that each unrolls without a branch on the round. GCC unrolls them
  // only when asked; other compilers decide for themselves.
#if defined(__GNUC__) && !defined(__clang__)
#define MD5_UNROLL_ROUND _Pragma("GCC unroll 16")
#else
#define MD5_UNROLL_ROUND
#endif
  auto step = [&](uint32_t mixed, uint32_t i, uint32_t index) {
    uint32_t next = d;
    d = c;
    c = b;
    b = b + RotateLeft(a + mixed + kSines[i] + words[index], kShifts[i]);
    a = next;
  };
  MD5_UNROLL_ROUND
  for (uint32_t i = 0; i < 16; ++i)
    step((b & c) | (~b & d), i, i);
  MD5_UNROLL_ROUND
  for (uint32_t i = 16; i < 32; ++i)
    step((d & b) | (~d & c), i, (5 * i + 1) % 16);
  MD5_UNROLL_ROUND
  for (uint32_t i = 32; i < 48; ++i)
    step(b ^ c ^ d, i, (3 * i + 5) % 16);
  MD5_UNROLL_ROUND
  for (uint32_t i = 48; i < 64; ++i)
    step(c ^ (b | ~d), i, (7 * i) % 16);
#undef MD5_UNROLL_ROUND
  state_[0] += a;
  state_[1] += b;
  state_[2] += c;
  state_[3] += d;
}
