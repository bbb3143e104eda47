#pragma once

#include <cstddef>
#include <string>

// A digest's bytes as lowercase hexadecimal digits, two a byte, as manifests write them.
inline std::string DigestHex(const unsigned char* bytes, size_t count) {
  static const char kDigits[] = "0123456789abcdef";
  std::string hex;
  hex.reserve(count * 2);
  for (size_t i = 0; i < count; ++i) {
    hex += kDigits[bytes[i] >> 4];
    hex += kDigits[bytes[i] & 0xF];
  }
  return hex;
}
