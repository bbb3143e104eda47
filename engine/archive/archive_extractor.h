#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "base/scoped_handle.h"
#include "engine/archive/archive_reader.h"

namespace archive {

class ExtractObserver;

// ExtractTo's result when a junction or symbolic link stands at an item's place: it is neither
// written through nor removed (HRESULT_FROM_WIN32(ERROR_REPARSE_POINT_ENCOUNTERED)).
constexpr int32_t kResultLinkInTheWay = static_cast<int32_t>(0x8007112B);

// Unpacks every item of a package archive into a folder, replacing what is already there, and
// puts back the stored times and attributes.
class ArchiveExtractor : public ArchiveReader {
 public:
  // Probes the format, opens the archive and writes each item to `folder` + its path, telling
  // `callback` (may be null) what happens. Returns 0 on success; otherwise 110 when the file
  // cannot be opened, 1631 when an item's folder cannot be created, or the HRESULT of the failed
  // step. Items written before a failure stay on disk.
  virtual int32_t ExtractTo(const std::wstring& folder, ExtractObserver* callback);
  // Hands over the archive already opened for reading: the next ExtractTo reads it from its
  // start instead of opening the path (which still names the archive to the observer), and
  // closes it when it ends.
  void SetOpenedFile(base::ScopedHandle file);
  // Hands over the archive as bytes in memory, which must stay in place until ExtractTo returns:
  // the next ExtractTo reads them instead of a file (the path still names it to the observer).
  void SetMemory(const void* data, size_t size);

 private:
  int32_t Extract(const std::wstring& folder, ExtractObserver* callback);

  // 1: an existing file at an item's target is deleted before the item is written.
  int overwriteMode_ = 1;
  base::ScopedHandle openedFile_;
  const void* memory_ = nullptr;
  size_t memorySize_ = 0;
};

}  // namespace archive
