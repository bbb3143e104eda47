#pragma once

#include <string>

#include "engine/archive/unpack_progress.h"

namespace archive {

// Unpacks the package archive at `archivePath` into `folder` (every item, replacing existing
// files), reporting each item to `percentFn`. Returns true when the extraction FAILED (the
// extractor reported a non-zero result); items written before a failure stay on disk.
bool ExtractPackage(const std::wstring& archivePath,
                    const std::wstring& folder,
                    PercentFn percentFn);

}  // namespace archive
