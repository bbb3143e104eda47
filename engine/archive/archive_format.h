#pragma once

#include <cstdint>

namespace archive {

// The archive formats the installer's packages come in. The value picks the 7-Zip handler; any
// value not named here (0 after a failed probe, for one) selects the 7z handler.
enum class ArchiveFormat : int32_t {
  kNone = 0,
  kSevenZip = 1,
  kZip = 2,
  kCab = 8,
  kLzma = 9,
  kLzma86 = 10,
};

}  // namespace archive
