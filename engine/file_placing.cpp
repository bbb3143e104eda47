#include "engine/file_placing.h"

#include <windows.h>

#include <shlwapi.h>

#include <utility>

#include "base/scoped_handle.h"
#include "engine/archive/extract_package.h"
#include "engine/archive/read_only_files.h"
#include "engine/file_digest.h"

namespace {

int IgnorePercentage(const std::wstring&, int) {
  return 0;
}

}  // namespace

bool PlaceFile(const UpdateItem& item, const std::wstring& packagePath) {
  base::ScopedHandle package(::CreateFileW(
      packagePath.c_str(), GENERIC_READ | DELETE, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr,
      OPEN_EXISTING, FILE_FLAG_DELETE_ON_CLOSE | FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
  std::wstring unpackedPath = item.folder + item.name + L".tmp";
  if (!package.IsValid()) {
    ::DeleteFileW(packagePath.c_str());
    archive::DeleteFileEvenIfReadOnly(unpackedPath);
    return false;
  }
  // A package that is not what the manifest names is not unpacked at all.
  if (!item.sha256.empty() && OpenedFileSha256Hex(package.Get()) != item.sha256)
    return false;
  bool failed =
      archive::ExtractPackage(std::move(package), packagePath, item.folder, &IgnorePercentage);
  if (!failed && ::PathFileExistsW(unpackedPath.c_str()) &&
      archive::ReplaceFileEvenIfReadOnly(unpackedPath, item.targetPath)) {
    return true;
  }
  archive::DeleteFileEvenIfReadOnly(unpackedPath);
  return false;
}
