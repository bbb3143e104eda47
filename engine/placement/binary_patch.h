#pragma once

#include <cstddef>
#include <string>

// Why a binary patch could not make the new file; None when it did.
enum class PatchFault {
  None,
  CannotOpenOldFile,
  CannotReadPatch,     // missing, unreadable, or not of the patch format
  OldFileSizeDiffers,  // the patch starts from another file
  CorruptPatch,        // a stream that does not decode, or lengths that do not add up
  OutOfBounds,         // a step that would read or write outside the old or the new file
  CannotWriteNewFile,
};

const wchar_t* DescribePatchFault(PatchFault fault);

// The most memory one of a patch's three streams may ask for: applying takes at most three such
// dictionaries and a few buffers, whatever the size of the files.
constexpr size_t kPatchMaxDictionary = 16u << 20;

// Makes newPath from oldPath and the patch at patchPath (the format: tools/publisher/
// binary_patch.py). The old file is opened for reading only and shares no writing, so neither
// this nor anyone else changes it meanwhile; the new file is written from the start to the end
// and removed again when the patch fails. The caller checks the new file's digest.
PatchFault ApplyBinaryPatch(const std::wstring& oldPath,
                            const std::wstring& patchPath,
                            const std::wstring& newPath);
