#include "engine/common/install_outcome.h"

const char* FailureReasonText(FailureReason reason) {
  switch (reason) {
    case FailureReason::kNone:
      return "complete";
    case FailureReason::kManifestUnavailable:
      return "the update manifest could not be fetched";
    case FailureReason::kManifestNotSigned:
      return "the update manifest is not signed by a pinned key";
    case FailureReason::kManifestUnreadable:
      return "the update manifest is no readable update list";
    case FailureReason::kManifestUndated:
      return "the update manifest's signature names no signing time";
    case FailureReason::kManifestRolledBack:
      return "the update manifest is older than the one last installed from";
    case FailureReason::kManifestFromTheFuture:
      return "the update manifest is signed ahead of this machine's clock";
    case FailureReason::kEntryRefused:
      return "the update manifest names a file the installer may not write";
    case FailureReason::kDigestMissing:
      return "the signed update manifest names no SHA-256 for a missing file";
    case FailureReason::kInstallFolderLink:
      return "the install folder or a folder above it is a junction or symbolic link";
    case FailureReason::kNotEnoughSpace:
      return "not enough free space in the install folder's volume";
    case FailureReason::kDownloadFailed:
      return "the package could not be downloaded";
    case FailureReason::kDigestMismatch:
      return "the package is not the one the manifest's SHA-256 names";
    case FailureReason::kUnpackFailed:
      return "the package could not be unpacked";
    case FailureReason::kFileDigestMismatch:
      return "the unpacked file is not the one the manifest's MD5 names";
    case FailureReason::kPlaceFailed:
      return "the file could not be put in place";
    case FailureReason::kDiskFull:
      return "the disk is full";
    case FailureReason::kLinkInPath:
      return "a folder on the file's path is a link out of the install folder";
    case FailureReason::kFileInUse:
      return "another program holds the file open";
  }
  return "unknown";
}
