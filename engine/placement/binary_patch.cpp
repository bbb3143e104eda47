#include "engine/placement/binary_patch.h"

#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

#include "base/scoped_handle.h"
#include "engine/placement/patch_stream_reader.h"

namespace {

// "QBPATCH1", the old and the new length, then the coded and decoded lengths of the control,
// difference and extra streams, each a little-endian unsigned 64-bit number.
constexpr char kMagic[8] = {'Q', 'B', 'P', 'A', 'T', 'C', 'H', '1'};
constexpr size_t kHeaderSize = 8 + 8 * 8;
// A control entry: bytes made by adding old to difference, bytes copied from the extra stream,
// then how far the old position moves; each 8 bytes, little-endian sign and magnitude.
constexpr size_t kControlEntrySize = 24;
// Lengths above this are refused outright, so that sums of two never overflow.
constexpr uint64_t kLargestLength = uint64_t{1} << 62;
constexpr size_t kChunk = 256 * 1024;

uint64_t ReadUnsigned(const unsigned char* bytes) {
  uint64_t value = 0;
  for (int i = 7; i >= 0; --i)
    value = value << 8 | bytes[i];
  return value;
}

// bsdiff's sign and magnitude: the top bit of the last byte is the sign.
int64_t ReadSigned(const unsigned char* bytes) {
  const uint64_t raw = ReadUnsigned(bytes);
  const int64_t magnitude = static_cast<int64_t>(raw & ~(uint64_t{1} << 63));
  return (raw >> 63) ? -magnitude : magnitude;
}

bool ReadExactly(HANDLE file, unsigned char* data, DWORD size) {
  DWORD read = 0;
  return ::ReadFile(file, data, size, &read, nullptr) && read == size;
}

bool FileSize(HANDLE file, uint64_t* size) {
  LARGE_INTEGER length;
  if (!::GetFileSizeEx(file, &length))
    return false;
  *size = static_cast<uint64_t>(length.QuadPart);
  return true;
}

struct PatchHeader {
  uint64_t oldLength;
  uint64_t newLength;
  uint64_t coded[3];
  uint64_t decoded[3];
};

bool ReadHeader(HANDLE patch, PatchHeader* header) {
  unsigned char bytes[kHeaderSize];
  uint64_t patchLength = 0;
  if (!FileSize(patch, &patchLength) || !ReadExactly(patch, bytes, kHeaderSize) ||
      std::memcmp(bytes, kMagic, sizeof kMagic) != 0)
    return false;
  header->oldLength = ReadUnsigned(bytes + 8);
  header->newLength = ReadUnsigned(bytes + 16);
  uint64_t total = kHeaderSize;
  for (int i = 0; i < 3; ++i) {
    header->coded[i] = ReadUnsigned(bytes + 24 + 16 * i);
    header->decoded[i] = ReadUnsigned(bytes + 32 + 16 * i);
    if (header->coded[i] > kLargestLength || header->decoded[i] > kLargestLength)
      return false;
    total += header->coded[i];
  }
  return header->oldLength <= kLargestLength && header->newLength <= kLargestLength &&
         total == patchLength;
}

// Writes the new file sequentially through one buffer.
class NewFileWriter {
 public:
  explicit NewFileWriter(HANDLE file) : file_(file) { buffer_.reserve(kChunk); }
  bool Append(const unsigned char* data, size_t size) {
    buffer_.insert(buffer_.end(), data, data + size);
    return buffer_.size() < kChunk || Flush();
  }
  bool Flush() {
    DWORD written = 0;
    const DWORD size = static_cast<DWORD>(buffer_.size());
    const bool ok = size == 0 || (::WriteFile(file_, buffer_.data(), size, &written, nullptr) &&
                                  written == size);
    buffer_.clear();
    return ok;
  }

 private:
  HANDLE file_;
  std::vector<unsigned char> buffer_;
};

class PatchApplier {
 public:
  PatchApplier(HANDLE oldFile, HANDLE patch, const PatchHeader& header, HANDLE newFile)
      : old_(oldFile),
        header_(header),
        control_(patch, kHeaderSize, header.coded[0], header.decoded[0]),
        difference_(patch, kHeaderSize + header.coded[0], header.coded[1], header.decoded[1]),
        extra_(patch,
               kHeaderSize + header.coded[0] + header.coded[1],
               header.coded[2],
               header.decoded[2]),
        writer_(newFile),
        oldChunk_(kChunk),
        chunk_(kChunk) {}

  PatchFault Apply() {
    if (header_.decoded[0] % kControlEntrySize != 0 || !control_.Start(kPatchMaxDictionary) ||
        !difference_.Start(kPatchMaxDictionary) || !extra_.Start(kPatchMaxDictionary))
      return PatchFault::CorruptPatch;
    uint64_t newPosition = 0;
    uint64_t oldPosition = 0;
    while (newPosition < header_.newLength) {
      unsigned char entry[kControlEntrySize];
      if (!control_.Read(entry, kControlEntrySize))
        return PatchFault::CorruptPatch;
      const int64_t added = ReadSigned(entry);
      const int64_t copied = ReadSigned(entry + 8);
      const int64_t moved = ReadSigned(entry + 16);
      const uint64_t newLeft = header_.newLength - newPosition;
      if (added < 0 || copied < 0 || static_cast<uint64_t>(added) > newLeft ||
          static_cast<uint64_t>(copied) > newLeft - static_cast<uint64_t>(added) ||
          static_cast<uint64_t>(added) > header_.oldLength - oldPosition)
        return PatchFault::OutOfBounds;
      PatchFault fault = AddToOld(oldPosition, static_cast<uint64_t>(added));
      if (fault == PatchFault::None)
        fault = CopyExtra(static_cast<uint64_t>(copied));
      if (fault != PatchFault::None)
        return fault;
      newPosition += static_cast<uint64_t>(added) + static_cast<uint64_t>(copied);
      oldPosition += static_cast<uint64_t>(added);
      // With both below 2^62 the sum cannot overflow; the old position stays within the file.
      if (moved < -(int64_t{1} << 62) || moved > (int64_t{1} << 62))
        return PatchFault::OutOfBounds;
      const int64_t nextOld = static_cast<int64_t>(oldPosition) + moved;
      if (nextOld < 0 || static_cast<uint64_t>(nextOld) > header_.oldLength)
        return PatchFault::OutOfBounds;
      oldPosition = static_cast<uint64_t>(nextOld);
    }
    if (control_.Remaining() != 0 || difference_.Remaining() != 0 || extra_.Remaining() != 0)
      return PatchFault::CorruptPatch;
    return writer_.Flush() ? PatchFault::None : PatchFault::CannotWriteNewFile;
  }

 private:
  PatchFault AddToOld(uint64_t oldPosition, uint64_t length) {
    LARGE_INTEGER position;
    position.QuadPart = static_cast<LONGLONG>(oldPosition);
    if (length > 0 && !::SetFilePointerEx(old_, position, nullptr, FILE_BEGIN))
      return PatchFault::CannotOpenOldFile;
    while (length > 0) {
      const size_t size = static_cast<size_t>(std::min<uint64_t>(length, kChunk));
      if (!ReadExactly(old_, oldChunk_.data(), static_cast<DWORD>(size)))
        return PatchFault::CannotOpenOldFile;
      if (!difference_.Read(chunk_.data(), size))
        return PatchFault::CorruptPatch;
      for (size_t i = 0; i < size; ++i)
        chunk_[i] = static_cast<unsigned char>(chunk_[i] + oldChunk_[i]);
      if (!writer_.Append(chunk_.data(), size))
        return PatchFault::CannotWriteNewFile;
      length -= size;
    }
    return PatchFault::None;
  }

  PatchFault CopyExtra(uint64_t length) {
    while (length > 0) {
      const size_t size = static_cast<size_t>(std::min<uint64_t>(length, kChunk));
      if (!extra_.Read(chunk_.data(), size))
        return PatchFault::CorruptPatch;
      if (!writer_.Append(chunk_.data(), size))
        return PatchFault::CannotWriteNewFile;
      length -= size;
    }
    return PatchFault::None;
  }

  HANDLE old_;
  const PatchHeader& header_;
  PatchStreamReader control_;
  PatchStreamReader difference_;
  PatchStreamReader extra_;
  NewFileWriter writer_;
  std::vector<unsigned char> oldChunk_;
  std::vector<unsigned char> chunk_;
};

}  // namespace

const wchar_t* DescribePatchFault(PatchFault fault) {
  switch (fault) {
    case PatchFault::None:
      return L"applied";
    case PatchFault::CannotOpenOldFile:
      return L"the installed file cannot be read";
    case PatchFault::CannotReadPatch:
      return L"the patch cannot be read or is no patch";
    case PatchFault::OldFileSizeDiffers:
      return L"the patch starts from a file of another size";
    case PatchFault::CorruptPatch:
      return L"the patch is corrupt";
    case PatchFault::OutOfBounds:
      return L"the patch reaches outside the files";
    case PatchFault::CannotWriteNewFile:
      return L"the new file cannot be written";
  }
  return L"";
}

PatchFault ApplyBinaryPatch(const std::wstring& oldPath,
                            const std::wstring& patchPath,
                            const std::wstring& newPath) {
  // Sharing reading only: nobody writes the old file while it is read, and the new file cannot
  // be the old one under another name.
  base::ScopedHandle oldFile(::CreateFileW(oldPath.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                           OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
  if (!oldFile)
    return PatchFault::CannotOpenOldFile;
  base::ScopedHandle patch(::CreateFileW(patchPath.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                         OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  PatchHeader header{};
  if (!patch || !ReadHeader(patch.Get(), &header))
    return PatchFault::CannotReadPatch;
  uint64_t oldLength = 0;
  if (!FileSize(oldFile.Get(), &oldLength))
    return PatchFault::CannotOpenOldFile;
  if (oldLength != header.oldLength)
    return PatchFault::OldFileSizeDiffers;
  base::ScopedHandle newFile(::CreateFileW(newPath.c_str(), GENERIC_WRITE, 0, nullptr,
                                           CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!newFile)
    return PatchFault::CannotWriteNewFile;
  const PatchFault fault = PatchApplier(oldFile.Get(), patch.Get(), header, newFile.Get()).Apply();
  newFile.Reset();
  // Half a file is of no use to anyone; the result of the removal changes nothing.
  if (fault != PatchFault::None)
    ::DeleteFileW(newPath.c_str());
  return fault;
}
