#pragma once

#include <windows.h>

#include <optional>

namespace base {

// How the process's token is elevated: TokenElevationTypeFull for an administrator's elevated
// half of a split token (UAC on), TokenElevationTypeDefault for a token that is not split (UAC
// off, or a standard user), TokenElevationTypeLimited for the filtered half. Default when the
// token cannot be read.
TOKEN_ELEVATION_TYPE ProcessElevationType();

// Whether the process's token is elevated (an administrator's elevated half, or a token that is
// not split and holds an administrator's rights); nothing when the token cannot be read.
std::optional<bool> ProcessTokenIsElevated();

}  // namespace base
