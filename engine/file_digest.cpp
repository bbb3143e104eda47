#include "engine/file_digest.h"

#include <sodium/crypto_hash_sha256.h>

#include <cstdio>
#include <memory>
#include <vector>

#include "base/scoped_file.h"
#include "engine/md5.h"

namespace {

// Feeds every block of the file at path to update; false when the file cannot be read.
template <typename Update>
bool ReadBlocks(const std::wstring& path, Update update) {
  base::ScopedFile file(_wfopen(path.c_str(), L"rb"));
  if (!file)
    return false;
  std::vector<char> block(64 * 1024);
  size_t count;
  while ((count = std::fread(block.data(), 1, block.size(), file.get())) > 0)
    update(block.data(), count);
  // A folder opens on some runtimes but cannot be read.
  return !std::ferror(file.get());
}

}  // namespace

std::string FileMd5Hex(const std::wstring& path) {
  Md5 digest;
  if (!ReadBlocks(path, [&](const char* data, size_t count) { digest.Update(data, count); }))
    return std::string();
  return digest.HexDigest();
}

std::string FileSha256Hex(const std::wstring& path) {
  crypto_hash_sha256_state state;
  crypto_hash_sha256_init(&state);
  const bool read = ReadBlocks(path, [&](const char* data, size_t count) {
    crypto_hash_sha256_update(&state, reinterpret_cast<const unsigned char*>(data), count);
  });
  unsigned char digest[crypto_hash_sha256_BYTES];
  crypto_hash_sha256_final(&state, digest);
  if (!read)
    return std::string();
  static const char kDigits[] = "0123456789abcdef";
  std::string hex;
  for (unsigned char byte : digest) {
    hex += kDigits[byte >> 4];
    hex += kDigits[byte & 0xF];
  }
  return hex;
}
