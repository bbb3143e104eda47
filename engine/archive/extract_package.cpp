#include "engine/archive/extract_package.h"

#include <utility>

#include "engine/archive/archive_extractor.h"

namespace archive {

bool ExtractPackage(const std::wstring& archivePath,
                    const std::wstring& folder,
                    PercentFn percentFn) {
  // Without an opened file the extractor opens the path itself.
  return ExtractPackage(base::ScopedHandle(), archivePath, folder, percentFn);
}

bool ExtractPackage(base::ScopedHandle archiveFile,
                    const std::wstring& archivePath,
                    const std::wstring& folder,
                    PercentFn percentFn) {
  return ExtractPackageResult(std::move(archiveFile), archivePath, folder, percentFn) != 0;
}

int32_t ExtractPackageResult(base::ScopedHandle archiveFile,
                             const std::wstring& archivePath,
                             const std::wstring& folder,
                             PercentFn percentFn,
                             const UnpackGuards& guards) {
  UnpackProgress progress(percentFn, guards);
  ArchiveExtractor extractor;
  extractor.SetPath(archivePath);
  extractor.SetOpenedFile(std::move(archiveFile));
  const int32_t result = extractor.ExtractTo(folder, &progress);
  return progress.refusedForRoom ? kResultNoRoomToUnpack : result;
}

int32_t ExtractPackageResult(const void* data,
                             size_t size,
                             const std::wstring& archivePath,
                             const std::wstring& folder,
                             PercentFn percentFn,
                             const UnpackGuards& guards) {
  UnpackProgress progress(percentFn, guards);
  ArchiveExtractor extractor;
  extractor.SetPath(archivePath);
  // An empty package still goes to the handlers, which refuse it as they would an empty file.
  static const char kNothing = 0;
  extractor.SetMemory(size > 0 ? data : &kNothing, size);
  const int32_t result = extractor.ExtractTo(folder, &progress);
  return progress.refusedForRoom ? kResultNoRoomToUnpack : result;
}

}  // namespace archive
