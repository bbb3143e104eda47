#include "base/token_elevation.h"

#include "base/scoped_handle.h"

namespace base {

namespace {

// Reads one fixed-size piece of the process's token into value; false when it cannot.
bool QueryProcessToken(TOKEN_INFORMATION_CLASS piece, void* value, DWORD size) {
  HANDLE token = nullptr;
  if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, &token))
    return false;
  const ScopedHandle owned(token);
  DWORD written = 0;
  return ::GetTokenInformation(owned.Get(), piece, value, size, &written) != FALSE;
}

}  // namespace

TOKEN_ELEVATION_TYPE ProcessElevationType() {
  TOKEN_ELEVATION_TYPE type = TokenElevationTypeDefault;
  if (!QueryProcessToken(TokenElevationType, &type, sizeof(type)))
    return TokenElevationTypeDefault;
  return type;
}

std::optional<bool> ProcessTokenIsElevated() {
  TOKEN_ELEVATION elevation = {};
  if (!QueryProcessToken(TokenElevation, &elevation, sizeof(elevation)))
    return std::nullopt;
  return elevation.TokenIsElevated != 0;
}

}  // namespace base
