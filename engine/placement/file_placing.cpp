#include "engine/placement/file_placing.h"

#include <windows.h>

#include <utility>

#include "base/scoped_handle.h"
#include "engine/archive/archive_extractor.h"
#include "engine/archive/extract_package.h"
#include "engine/archive/read_only_files.h"
#include "engine/common/file_digest.h"
#include "engine/placement/file_holders.h"
#include "engine/placement/open_file_rename.h"
#include "engine/transfer/received_package.h"

namespace {

int IgnorePercentage(const std::wstring&, int) {
  return 0;
}

// The extractor's result is the HRESULT of the step that failed; a write that found the volume
// full carries its Windows error.
bool IsDiskFullResult(int32_t result) {
  return result == HRESULT_FROM_WIN32(ERROR_DISK_FULL) ||
         result == HRESULT_FROM_WIN32(ERROR_HANDLE_DISK_FULL);
}

}  // namespace

bool IsDiskFull(unsigned long error) {
  return error == ERROR_DISK_FULL || error == ERROR_HANDLE_DISK_FULL;
}

namespace {

// The errors of a rename over a file that a running program holds: open without delete sharing,
// a locked range, or (on Windows) a running executable.
bool MayBeHeldOpen(DWORD error) {
  return error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION ||
         error == ERROR_ACCESS_DENIED || error == ERROR_USER_MAPPED_FILE;
}

// Whether some handle holds the file at path without letting others delete or rename it, which
// a rename over it needs. Asked where the system names no holder (the Restart Manager cannot see
// every process, and some systems lack it).
bool IsOpenWithoutDeleteSharing(const std::wstring& path) {
  base::ScopedHandle probe(
      ::CreateFileW(path.c_str(), DELETE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                    nullptr, OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
  return !probe.IsValid() && ::GetLastError() == ERROR_SHARING_VIOLATION;
}

// Renames the unpacked file, open as `unpacked`, over the target, asking onFileInUse while another
// program holds it.
PlaceResult ReplaceTarget(HANDLE unpacked,
                          const std::wstring& targetPath,
                          const FileInUseHandler& onFileInUse) {
  for (;;) {
    if (RenameOpenFileOver(unpacked, targetPath))
      return {};
    const DWORD error = ::GetLastError();
    if (IsDiskFull(error))
      return {FailureReason::kDiskFull, error};
    if (!MayBeHeldOpen(error))
      return {FailureReason::kPlaceFailed, error};
    const std::vector<std::wstring> programs = ProgramsHoldingFile(targetPath);
    // Access denied with nobody holding the file is a permission, not a program to close.
    if (error == ERROR_ACCESS_DENIED && programs.empty() && !IsOpenWithoutDeleteSharing(targetPath))
      return {FailureReason::kPlaceFailed, error};
    if (!onFileInUse || !onFileInUse(targetPath, programs))
      return {FailureReason::kFileInUse, error};
  }
}

bool IsMd5Hex(const std::string& digest) {
  return digest.size() == 32 && digest.find_first_not_of("0123456789abcdef") == std::string::npos;
}

// Checks the unpacked file and puts it in place, all through one handle that lets nobody else
// write, delete or rename it meanwhile: the file placed is the file checked.
PlaceResult PlaceChecked(const UpdateItem& item,
                         const std::wstring& unpackedPath,
                         const PlaceHooks& hooks) {
  base::ScopedHandle unpacked(::CreateFileW(
      unpackedPath.c_str(), GENERIC_READ | DELETE, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
      FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
  if (!unpacked.IsValid()) {
    const DWORD error = ::GetLastError();
    // Not there: the package holds other files but not this one.
    if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND)
      return {FailureReason::kUnpackFailed, ERROR_FILE_NOT_FOUND};
    return {FailureReason::kPlaceFailed, error};
  }
  BY_HANDLE_FILE_INFORMATION information;
  if (!::GetFileInformationByHandle(unpacked.Get(), &information))
    return {FailureReason::kPlaceFailed, ::GetLastError()};
  if ((information.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0)
    return {FailureReason::kLinkInPath, archive::kResultLinkInTheWay};
  if ((information.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0)
    return {FailureReason::kUnpackFailed, ERROR_FILE_NOT_FOUND};
  // A digest that is no MD5 names no file; one that is must be this file's.
  if (IsMd5Hex(item.md5) && OpenedFileMd5Hex(unpacked.Get()) != item.md5)
    return {FailureReason::kFileDigestMismatch, 0};
  if (hooks.beforeRename)
    hooks.beforeRename();
  return ReplaceTarget(unpacked.Get(), item.targetPath, hooks.onFileInUse);
}

// What an unpacking that ended with `extracted` comes to: the unpacked file put in place, or
// the failure, with the unpacked file removed.
PlaceResult PlaceUnpacked(const UpdateItem& item, int32_t extracted, const PlaceHooks& hooks) {
  const std::wstring unpackedPath = item.folder + item.name + L".tmp";
  PlaceResult result;
  if (extracted == archive::kResultLinkInTheWay) {
    result = {FailureReason::kLinkInPath, extracted};
  } else if (extracted == archive::kResultNoRoomToUnpack) {
    result = {FailureReason::kNotEnoughSpace, extracted};
  } else if (extracted != 0) {
    result = {IsDiskFullResult(extracted) ? FailureReason::kDiskFull : FailureReason::kUnpackFailed,
              extracted};
  } else {
    result = PlaceChecked(item, unpackedPath, hooks);
  }
  // A link at the unpacked file's place is never removed (some systems remove what it points at).
  if (!result.Placed() && result.failure != FailureReason::kLinkInPath)
    archive::DeleteFileEvenIfReadOnly(unpackedPath);
  return result;
}

}  // namespace

PlaceResult PlaceMadeFile(const UpdateItem& item, const PlaceHooks& hooks) {
  return PlaceUnpacked(item, 0, hooks);
}

PlaceResult PlaceFile(const UpdateItem& item,
                      const std::wstring& packagePath,
                      const PlaceHooks& hooks) {
  base::ScopedHandle package(::CreateFileW(
      packagePath.c_str(), GENERIC_READ | DELETE, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr,
      OPEN_EXISTING,
      FILE_FLAG_DELETE_ON_CLOSE | FILE_FLAG_SEQUENTIAL_SCAN | FILE_FLAG_OPEN_REPARSE_POINT,
      nullptr));
  const std::wstring unpackedPath = item.folder + item.name + L".tmp";
  if (!package.IsValid()) {
    const DWORD error = ::GetLastError();
    ::DeleteFileW(packagePath.c_str());
    archive::DeleteFileEvenIfReadOnly(unpackedPath);
    return {FailureReason::kUnpackFailed, error};
  }
  // A package that is not what the manifest names is not unpacked at all.
  if (!item.sha256.empty() && OpenedFileSha256Hex(package.Get()) != item.sha256)
    return {FailureReason::kDigestMismatch, 0};

  const int32_t extracted =
      archive::ExtractPackageResult(std::move(package), packagePath, item.folder, &IgnorePercentage,
                                    {hooks.holdFolder, hooks.roomToUnpack});
  return PlaceUnpacked(item, extracted, hooks);
}

PlaceResult PlaceReceivedFile(const UpdateItem& item,
                              ReceivedPackage&& package,
                              const PlaceHooks& hooks) {
  ReceivedPackage received = std::move(package);
  if (!item.sha256.empty() && received.Sha256Hex() != item.sha256)
    return {FailureReason::kDigestMismatch, 0};
  int32_t extracted = 0;
  if (received.InMemory()) {
    extracted = archive::ExtractPackageResult(
        received.Bytes().data(), received.Bytes().size(), item.folder + L"temp.pak", item.folder,
        &IgnorePercentage, {hooks.holdFolder, hooks.roomToUnpack});
  } else {
    const std::wstring packagePath = received.FilePath();
    extracted =
        archive::ExtractPackageResult(received.TakeFile(), packagePath, item.folder,
                                      &IgnorePercentage, {hooks.holdFolder, hooks.roomToUnpack});
  }
  return PlaceUnpacked(item, extracted, hooks);
}
