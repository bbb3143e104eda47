#include "engine/transfer/received_package.h"

#include <windows.h>

#include <sodium/crypto_hash_sha256.h>

#include <algorithm>
#include <vector>

#include "engine/common/digest_hex.h"
#include "engine/common/windows_errors.h"

namespace {

unsigned long LastErrorOr(unsigned long fallback) {
  const DWORD error = ::GetLastError();
  return error != 0 ? error : fallback;
}

bool WriteAll(HANDLE file, const char* data, size_t size) {
  while (size > 0) {
    const DWORD chunk = static_cast<DWORD>(std::min<size_t>(size, 1u << 30));
    DWORD written = 0;
    if (!::WriteFile(file, data, chunk, &written, nullptr) || written == 0)
      return false;
    data += written;
    size -= written;
  }
  return true;
}

}  // namespace

base::ScopedHandle CreatePackageFile(const std::wstring& path,
                                     unsigned long extraFlags,
                                     unsigned long& error) {
  constexpr DWORD kAccess = GENERIC_READ | GENERIC_WRITE | DELETE;
  constexpr DWORD kShare = FILE_SHARE_READ | FILE_SHARE_DELETE;
  const DWORD flags = FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT | extraFlags;
  error = 0;
  base::ScopedHandle file(
      ::CreateFileW(path.c_str(), kAccess, kShare, nullptr, CREATE_NEW, flags, nullptr));
  if (!file.IsValid() && ::GetLastError() == ERROR_FILE_EXISTS) {
    // A link in the package's place is refused, not removed: some systems (Wine) remove what
    // a file link points at.
    const DWORD attributes = ::GetFileAttributesW(path.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
      error = kErrorReparsePointEncountered;
      return base::ScopedHandle();
    }
    if (::DeleteFileW(path.c_str()))
      file.Reset(::CreateFileW(path.c_str(), kAccess, kShare, nullptr, CREATE_NEW, flags, nullptr));
  }
  if (!file.IsValid())
    error = LastErrorOr(ERROR_OPEN_FAILED);
  return file;
}

ReceivedPackage::ReceivedPackage() : hash_(std::make_unique<crypto_hash_sha256_state>()) {
  crypto_hash_sha256_init(hash_.get());
}

ReceivedPackage::~ReceivedPackage() = default;
ReceivedPackage::ReceivedPackage(ReceivedPackage&&) noexcept = default;
ReceivedPackage& ReceivedPackage::operator=(ReceivedPackage&&) noexcept = default;

bool ReceivedPackage::UseFile(const std::wstring& path) {
  // Delete-on-close: the package goes with its last handle, whichever way the run ends.
  file_ = CreatePackageFile(
      path, FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE | FILE_FLAG_SEQUENTIAL_SCAN,
      writeError_);
  filePath_ = path;
  return file_.IsValid();
}

bool ReceivedPackage::Append(const char* data, size_t size) {
  if (file_.IsValid()) {
    if (!WriteAll(file_.Get(), data, size)) {
      writeError_ = LastErrorOr(ERROR_WRITE_FAULT);
      return false;
    }
  } else {
    bytes_.append(data, size);
  }
  crypto_hash_sha256_update(hash_.get(), reinterpret_cast<const unsigned char*>(data), size);
  size_ += static_cast<long long>(size);
  return true;
}

void ReceivedPackage::Restart() {
  bytes_.clear();
  if (file_.IsValid()) {
    LARGE_INTEGER start{};
    ::SetFilePointerEx(file_.Get(), start, nullptr, FILE_BEGIN);
    ::SetEndOfFile(file_.Get());
  }
  crypto_hash_sha256_init(hash_.get());
  size_ = 0;
}

std::string ReceivedPackage::Sha256Hex() const {
  crypto_hash_sha256_state state = *hash_;
  unsigned char digest[crypto_hash_sha256_BYTES];
  crypto_hash_sha256_final(&state, digest);
  return DigestHex(digest, sizeof digest);
}

base::ScopedHandle ReceivedPackage::TakeFile() {
  LARGE_INTEGER start{};
  if (file_.IsValid())
    ::SetFilePointerEx(file_.Get(), start, nullptr, FILE_BEGIN);
  return std::move(file_);
}

unsigned long ReceivedPackage::KeepAs(const std::wstring& path) {
  unsigned long error = 0;
  base::ScopedHandle kept = CreatePackageFile(path, 0, error);
  if (!kept.IsValid())
    return error;
  if (!file_.IsValid())
    return WriteAll(kept.Get(), bytes_.data(), bytes_.size()) ? 0 : LastErrorOr(ERROR_WRITE_FAULT);
  LARGE_INTEGER start{};
  ::SetFilePointerEx(file_.Get(), start, nullptr, FILE_BEGIN);
  std::vector<char> block(1 << 20);
  DWORD read = 0;
  while (::ReadFile(file_.Get(), block.data(), static_cast<DWORD>(block.size()), &read, nullptr) &&
         read > 0) {
    if (!WriteAll(kept.Get(), block.data(), read))
      return LastErrorOr(ERROR_WRITE_FAULT);
  }
  return 0;
}
