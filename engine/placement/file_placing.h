#pragma once

#include <functional>
#include <string>
#include <vector>

#include "engine/archive/extract_observer.h"
#include "engine/common/install_outcome.h"
#include "engine/manifest/update_item.h"

class ReceivedPackage;

// What placing one file came to: kNone when the new file is in place.
struct PlaceResult {
  FailureReason failure = FailureReason::kNone;
  long long code = 0;  // see FailureReason

  bool Placed() const { return failure == FailureReason::kNone; }
};

// The Windows errors of a write that found the volume full.
bool IsDiskFull(unsigned long error);

// Asked when another program holds the file at path open (programs: those the system could
// name); true to try again (the user closed them), false to give up.
using FileInUseHandler =
    std::function<bool(const std::wstring& path, const std::vector<std::wstring>& programs)>;

// What the run adds to placing a file; each may be left empty.
struct PlaceHooks {
  // Asked while another program holds the target open (none: a failure at once).
  FileInUseHandler onFileInUse;
  // Makes and checks every folder the package's items go into.
  archive::FolderHold holdFolder;
  // Asked with the package's unpacked size before anything is unpacked; false fails the file
  // with kNotEnoughSpace.
  archive::RoomCheck roomToUnpack;
  // Called once the unpacked file is checked, just before it is renamed over the target.
  std::function<void()> beforeRename;
};

// Unpacks the package into the item's folder and puts the unpacked file in place. The old file is
// replaced in one step, and only by a completely and correctly unpacked new one, flushed to the
// disk, of a package whose SHA-256 (when the manifest names one) matches, so a damaged or altered
// package, a full disk or a kill at any moment never costs the user the file they had. The
// package is opened once, the digest read and the archive unpacked through the same handle, and
// the package goes away when that handle closes. The unpacked file is then opened so that nobody
// else may write, delete or rename it, its MD5 checked against the manifest's (when that is one)
// and renamed over the target through the same handle. A target held open by another program is
// offered to hooks.onFileInUse; every failure removes the unpacked file.
PlaceResult PlaceFile(const UpdateItem& item,
                      const std::wstring& packagePath,
                      const PlaceHooks& hooks = {});

// PlaceFile for a package received by a transfer, in memory or in its temporary file, whose
// SHA-256 was computed as it arrived: the package is not read again to check it. The package
// is used up (its file, if any, goes away).
PlaceResult PlaceReceivedFile(const UpdateItem& item,
                              ReceivedPackage&& package,
                              const PlaceHooks& hooks = {});

// Puts in place the file another step made at the item's folder as "<Name>.tmp" (a patch
// applied, say), checked and renamed as PlaceFile does its unpacked file; every failure removes
// it.
PlaceResult PlaceMadeFile(const UpdateItem& item, const PlaceHooks& hooks = {});
