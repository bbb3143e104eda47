#pragma once

#include <string>

#include "engine/update_item.h"

// Unpacks the package into the item's folder and puts the unpacked file in place. The old file is
// replaced in one step, and only by a completely and correctly unpacked new one of a package whose
// SHA-256 (when the manifest names one) matches, so a damaged or altered package never costs the
// user the file they had. The package is opened once, the digest read and the archive unpacked
// through the same handle, and the package goes away when that handle closes. True when the
// new file is in place.
bool PlaceFile(const UpdateItem& item, const std::wstring& packagePath);
