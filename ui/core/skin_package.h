#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "base/scoped_handle.h"

namespace ui {

// One record of a zip archive's central directory, as ZipReader read it.
struct ZipDirectoryEntry {
  std::string name;  // Stored bytes, in the system ANSI code page.
  uint16_t flags = 0;
  uint16_t method = 0;
  uint32_t crc32 = 0;
  uint32_t compressedSize = 0;
  uint32_t uncompressedSize = 0;
  uint32_t localHeaderOffset = 0;
  uint32_t externalAttributes = 0;
  FILETIME creationTime = {};
  FILETIME lastAccessTime = {};
  FILETIME lastWriteTime = {};
  // False when the record cannot describe real data (a range past the archive's data, sizes
  // that no supported method produces); such an entry is found but never extracted.
  bool plausible = false;
};

// An open zip archive: the source of its bytes and its central directory. The source is either a
// file, whose handle the package keeps, or a memory block that is not copied and must outlive the
// package. Packages are made by ZipReader.
class SkinPackage {
 public:
  ~SkinPackage();
  SkinPackage(const SkinPackage&) = delete;
  SkinPackage& operator=(const SkinPackage&) = delete;

  static std::unique_ptr<SkinPackage> FromFile(base::ScopedHandle file, uint64_t size);
  static std::unique_ptr<SkinPackage> FromMemory(const void* data, size_t size);

  uint64_t Size() const { return size_; }
  // Copies |count| bytes starting at |offset|; false unless all of them lie inside the archive
  // and were read.
  bool ReadAt(uint64_t offset, void* buffer, size_t count) const;

  const std::vector<ZipDirectoryEntry>& entries() const { return entries_; }
  // Where the central directory starts; entry data must end before it.
  uint64_t directoryOffset() const { return directoryOffset_; }

 private:
  friend class ZipReader;
  SkinPackage() = default;

  base::ScopedHandle file_;
  const uint8_t* memory_ = nullptr;
  uint64_t size_ = 0;
  uint64_t directoryOffset_ = 0;
  std::vector<ZipDirectoryEntry> entries_;
};

}  // namespace ui
