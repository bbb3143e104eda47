#include "ui/core/process_elevation.h"

#include <windows.h>

#include "base/scoped_handle.h"

namespace ui {

namespace {

std::optional<bool>& ElevatedForTesting() {
  static std::optional<bool> elevated;
  return elevated;
}

bool TokenIsElevated() {
  HANDLE token = nullptr;
  if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, &token))
    return true;  // Unknown counts as elevated: the stricter lookup loses nothing the skin holds.
  base::ScopedHandle ownedToken(token);
  TOKEN_ELEVATION elevation = {};
  DWORD size = 0;
  if (!::GetTokenInformation(token, TokenElevation, &elevation, sizeof elevation, &size))
    return true;
  return elevation.TokenIsElevated != 0;
}

}  // namespace

bool ProcessIsElevated() {
  if (ElevatedForTesting())
    return *ElevatedForTesting();
  static const bool elevated = TokenIsElevated();
  return elevated;
}

void SetProcessElevatedForTesting(std::optional<bool> elevated) {
  ElevatedForTesting() = elevated;
}

}  // namespace ui
