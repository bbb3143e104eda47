#include "base/token_elevation.h"

#include "base/scoped_handle.h"

namespace base {

TOKEN_ELEVATION_TYPE ProcessElevationType() {
  HANDLE token = nullptr;
  if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, &token))
    return TokenElevationTypeDefault;
  const ScopedHandle owned(token);
  TOKEN_ELEVATION_TYPE type = TokenElevationTypeDefault;
  DWORD size = 0;
  if (!::GetTokenInformation(owned.Get(), TokenElevationType, &type, sizeof(type), &size))
    return TokenElevationTypeDefault;
  return type;
}

}  // namespace base
