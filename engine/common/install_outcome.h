#pragma once

#include <string>
#include <vector>

// Why an install run stopped short. Every reason but kNone is a failed run: the client in the
// install folder is not the release the manifest names.
enum class FailureReason {
  kNone,
  // The manifest could not be fetched (code: libcurl's result).
  kManifestUnavailable,
  // The manifest arrived, but no pinned key signed it.
  kManifestNotSigned,
  // The manifest is no readable update list (not XML, or no "UpdateFiles" root).
  kManifestUnreadable,
  // The manifest's signature names no signing time; one signed before the newest manifest this
  // machine installed from or the oldest the build takes, or another manifest signed at the same
  // time as the newest (a replayed older release); one signed more than a day ahead of the
  // machine's clock (the clock is wrong: the user is told so instead of the failure message).
  kManifestUndated,
  kManifestRolledBack,
  kManifestFromTheFuture,
  // A manifest entry's name is refused (it would leave the install folder, names a device, …):
  // the list would install a client without that file. failedFile: the entry's "Dir" and "Name".
  kEntryRefused,
  // A signed manifest names no SHA-256 for a file that is missing, so nothing vouches for what
  // would be installed there.
  kDigestMissing,
  // The install folder or a folder above it is a junction or a symbolic link, or cannot be held
  // for the run (failedFile: that folder); nothing was written.
  kInstallFolderLink,
  // The install folder's volume has less free space than the run needs (code: bytes free; see
  // RunOutcome::bytesNeeded); nothing was downloaded.
  kNotEnoughSpace,
  // The package's transfer failed after its retries (code: libcurl's result, or -1).
  kDownloadFailed,
  // The package is not the one the manifest's SHA-256 names.
  kDigestMismatch,
  // The package could not be unpacked into the file it must hold (code: the extractor's result).
  kUnpackFailed,
  // The unpacked file is not the one the manifest's MD5 names.
  kFileDigestMismatch,
  // The unpacked file could not replace the old one (code: the Windows error).
  kPlaceFailed,
  // The volume filled up (code: the Windows error).
  kDiskFull,
  // A folder on the file's path below the install folder is a junction or symbolic link, which
  // a write would follow out of the folder.
  kLinkInPath,
  // Another program holds the file and the user did not close it (code: the Windows error).
  kFileInUse,
};

// A short English description of the reason, for developer tools and logs.
const char* FailureReasonText(FailureReason reason);

// What became of one file of the manifest in a run.
enum class FileOutcome {
  kUnchanged,   // already up to date: not fetched
  kPlaced,      // the new file is in place
  kStaged,      // received and checked, kept in the staging folder for the next run
  kFailed,      // the run stopped at this file; its old version, if any, is whole
  kNotReached,  // not staged: the run stopped before it
};

struct FileResult {
  std::wstring name;  // manifest "Dir" followed by "Name"
  FileOutcome outcome = FileOutcome::kUnchanged;
};

// The outcome of one install run: complete, or the first failure with the file it happened at.
struct RunOutcome {
  FailureReason failure = FailureReason::kNone;
  // The failed file's manifest name (for kInstallFolderLink the folder); empty for failures of the
  // manifest or of the space check.
  std::wstring failedFile;
  // The failure's detail code (see FailureReason).
  long long code = 0;
  // kNotEnoughSpace: the bytes the run would have written.
  long long bytesNeeded = 0;
  // Every file of the manifest: those already up to date, then those the run placed, failed at
  // or did not reach, each in manifest order.
  std::vector<FileResult> files;

  bool Complete() const { return failure == FailureReason::kNone; }
};
