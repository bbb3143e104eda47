#pragma once

#include <string>

#include "engine/manifest/update_item.h"
#include "engine/placement/file_placing.h"

class ReceivedPackage;

// Makes the item's new file from the file installed at installedPath and a received binary
// patch: the patch is checked against the SHA-256 that item names (the patch's, not the full
// package's), applied beside the item's target as "<Name>.tmp" and put in place as PlaceFile
// puts an unpacked file, after the MD5 check. The installed file is only read. On a failure
// `why` says what went wrong, for the run log; nothing is left beside the target.
PlaceResult PlacePatchedFile(const UpdateItem& item,
                             ReceivedPackage&& patch,
                             const std::wstring& installedPath,
                             const PlaceHooks& hooks,
                             std::string& why);
