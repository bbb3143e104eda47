#pragma once

#include <windows.h>

namespace base {

// How the process's token is elevated: TokenElevationTypeFull for an administrator's elevated
// half of a split token (UAC on), TokenElevationTypeDefault for a token that is not split (UAC
// off, or a standard user), TokenElevationTypeLimited for the filtered half. Default when the
// token cannot be read.
TOKEN_ELEVATION_TYPE ProcessElevationType();

}  // namespace base
