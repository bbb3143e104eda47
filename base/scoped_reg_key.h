#pragma once

#include <windows.h>

#include "base/scoped_generic.h"

namespace base {

// An open registry key from RegCreateKeyExW or RegOpenKeyExW, closed with RegCloseKey.
struct RegKeyTraits {
  static bool IsValid(HKEY key) { return key != nullptr; }
  static void Free(HKEY key) { ::RegCloseKey(key); }
};

using ScopedRegKey = ScopedGeneric<HKEY, RegKeyTraits>;

}  // namespace base
