#pragma once

#include <memory>
#include <string>

#include "base/scoped_handle.h"

struct crypto_hash_sha256_state;

// Where one package's bytes go while they are received: memory, or a temporary file in the
// item's folder opened delete-on-close, so that no path, a kill included, leaves it behind. Each
// byte is hashed as it arrives, so the package's SHA-256 is ready with its last byte. Used by
// one thread at a time; moved from the transfer that fills it to the placement that empties it.
class ReceivedPackage {
 public:
  ReceivedPackage();
  ~ReceivedPackage();
  ReceivedPackage(ReceivedPackage&&) noexcept;
  ReceivedPackage& operator=(ReceivedPackage&&) noexcept;

  // Sends the bytes to a new file at path instead of memory (before any arrived). A link or a
  // file that cannot be removed at path refuses it: false, with WriteError() saying why.
  bool UseFile(const std::wstring& path);
  // Adds a chunk; false when the file cannot take it (WriteError() says why).
  bool Append(const char* data, size_t size);
  // Drops what arrived: the transfer starts again from the first byte.
  void Restart();

  long long Size() const { return size_; }
  bool InMemory() const { return !file_.IsValid(); }
  const std::string& Bytes() const { return bytes_; }
  const std::wstring& FilePath() const { return filePath_; }
  // The Windows error of the failed write or open, or 0.
  unsigned long WriteError() const { return writeError_; }
  // SHA-256 of the bytes so far, as 64 lowercase hexadecimal digits.
  std::string Sha256Hex() const;
  // The file, read from its start; the package goes away when it closes.
  base::ScopedHandle TakeFile();
  // Writes what arrived to path as a plain file that stays (a failed file's partial package);
  // a link at path is refused. 0 or the Windows error.
  unsigned long KeepAs(const std::wstring& path);

 private:
  std::unique_ptr<crypto_hash_sha256_state> hash_;
  std::string bytes_;
  base::ScopedHandle file_;
  std::wstring filePath_;
  long long size_ = 0;
  unsigned long writeError_ = 0;
};

// Creates path as a new plain file for writing, for the package of a transfer or a file kept
// of one: what stands there is removed first, except a link, which is refused (the error is then
// kErrorReparsePointEncountered). extraFlags adds to the flags of CreateFileW (delete-on-close).
base::ScopedHandle CreatePackageFile(const std::wstring& path,
                                     unsigned long extraFlags,
                                     unsigned long& error);
