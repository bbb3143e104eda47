#include "engine/placement/patch_placing.h"

#include <windows.h>

#include <utility>

#include "engine/common/text_convert.h"
#include "engine/placement/binary_patch.h"
#include "engine/transfer/received_package.h"

PlaceResult PlacePatchedFile(const UpdateItem& item,
                             ReceivedPackage&& patch,
                             const std::wstring& installedPath,
                             const PlaceHooks& hooks,
                             std::string& why) {
  ReceivedPackage received = std::move(patch);
  if (received.Sha256Hex() != item.sha256) {
    why = "the patch is not the one its SHA-256 names";
    return {FailureReason::kDigestMismatch, 0};
  }
  // The applier reads the patch from a file of its own, removed once it is applied.
  const std::wstring patchPath = item.folder + item.name + L".patch";
  if (const unsigned long error = received.KeepAs(patchPath)) {
    ::DeleteFileW(patchPath.c_str());
    why = "the patch could not be written (error " + std::to_string(error) + ")";
    return {FailureReason::kUnpackFailed, static_cast<long long>(error)};
  }
  const PatchFault fault =
      ApplyBinaryPatch(installedPath, patchPath, item.folder + item.name + L".tmp");
  ::DeleteFileW(patchPath.c_str());
  if (fault != PatchFault::None) {
    why = WideToUtf8(DescribePatchFault(fault));
    return {FailureReason::kUnpackFailed, static_cast<long long>(fault)};
  }
  const PlaceResult placed = PlaceMadeFile(item, hooks);
  if (placed.failure == FailureReason::kFileDigestMismatch)
    why = "the patched file is not the one the manifest's MD5 names";
  else if (!placed.Placed())
    why = "the patched file could not be put in place";
  return placed;
}
