#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "base/scoped_handle.h"
#include "engine/archive/unpack_progress.h"

namespace archive {

// Unpacks the package archive at `archivePath` into `folder` (every item, replacing existing
// files), reporting each item to `percentFn`. Returns true when the extraction FAILED (the
// extractor reported a non-zero result); items written before a failure stay on disk.
bool ExtractPackage(const std::wstring& archivePath,
                    const std::wstring& folder,
                    PercentFn percentFn);

// The same for the archive at `archivePath` already opened for reading as `archiveFile`, which
// is read from its start and closed before this returns.
bool ExtractPackage(base::ScopedHandle archiveFile,
                    const std::wstring& archivePath,
                    const std::wstring& folder,
                    PercentFn percentFn);

// ExtractPackageResult's result when guards.roomFor refused the package's unpacked size
// (HRESULT_FROM_WIN32(ERROR_DISK_QUOTA_EXCEEDED)): nothing was written.
constexpr int32_t kResultNoRoomToUnpack = static_cast<int32_t>(0x8007050F);

// ExtractPackage of an opened archive with the extractor's result: 0 on success, otherwise the
// code of the step that failed (see ArchiveExtractor::ExtractTo) or kResultNoRoomToUnpack.
// guards.holdFolder, when given, makes and checks every folder an item goes into.
int32_t ExtractPackageResult(base::ScopedHandle archiveFile,
                             const std::wstring& archivePath,
                             const std::wstring& folder,
                             PercentFn percentFn,
                             const UnpackGuards& guards = {});

// The same for an archive held in memory (data, size), which stays the caller's; archivePath
// only names it.
int32_t ExtractPackageResult(const void* data,
                             size_t size,
                             const std::wstring& archivePath,
                             const std::wstring& folder,
                             PercentFn percentFn,
                             const UnpackGuards& guards = {});

}  // namespace archive
