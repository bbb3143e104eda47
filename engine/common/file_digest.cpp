#include "engine/common/file_digest.h"

#include <sodium/crypto_hash_sha256.h>

#include <vector>

#include "base/scoped_handle.h"
#include "engine/common/digest_hex.h"
#include "engine/common/md5.h"

namespace {

// Feeds every block left in an opened file to update; false when a read fails.
template <typename Update>
bool ReadBlocks(HANDLE file, Update update) {
  std::vector<char> block(64 * 1024);
  DWORD count = 0;
  while (::ReadFile(file, block.data(), static_cast<DWORD>(block.size()), &count, nullptr)) {
    if (count == 0)
      return true;
    update(block.data(), count);
  }
  return false;
}

// The same for the file at path, opened for reading as the C runtime opens a file (others may go
// on reading and writing it); false when it cannot be opened or read, as a folder cannot, or is
// a link. The elevated installer reads files a user may have planted: a link is not followed, and
// a named pipe in the file's place learns who reads but cannot act as them.
template <typename Update>
bool ReadBlocks(const std::wstring& path, Update update) {
  base::ScopedHandle file(::CreateFileW(path.c_str(), GENERIC_READ,
                                        FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                        FILE_FLAG_SEQUENTIAL_SCAN | FILE_FLAG_OPEN_REPARSE_POINT |
                                            SECURITY_SQOS_PRESENT | SECURITY_IDENTIFICATION,
                                        nullptr));
  if (!file.IsValid())
    return false;
  BY_HANDLE_FILE_INFORMATION information;
  if (!::GetFileInformationByHandle(file.Get(), &information) ||
      (information.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0)
    return false;
  return ReadBlocks(file.Get(), update);
}

template <typename Source>
std::string Sha256Hex(const Source& source) {
  crypto_hash_sha256_state state;
  crypto_hash_sha256_init(&state);
  const bool read = ReadBlocks(source, [&](const char* data, size_t count) {
    crypto_hash_sha256_update(&state, reinterpret_cast<const unsigned char*>(data), count);
  });
  unsigned char digest[crypto_hash_sha256_BYTES];
  crypto_hash_sha256_final(&state, digest);
  if (!read)
    return std::string();
  return DigestHex(digest, sizeof digest);
}

}  // namespace

std::string FileSha256Hex(const std::wstring& path) {
  return Sha256Hex(path);
}

std::string OpenedFileSha256Hex(HANDLE file) {
  return Sha256Hex(file);
}

namespace {

template <typename Source>
std::string Md5Hex(const Source& source) {
  Md5 digest;
  if (!ReadBlocks(source, [&](const char* data, size_t count) { digest.Update(data, count); }))
    return std::string();
  return digest.HexDigest();
}

}  // namespace

std::string FileMd5Hex(const std::wstring& path) {
  return Md5Hex(path);
}

std::string OpenedFileMd5Hex(HANDLE file) {
  return Md5Hex(file);
}
