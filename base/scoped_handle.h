#pragma once

#include <windows.h>

#include "base/scoped_generic.h"

namespace base {

// Kernel handles from CreateFile and friends: INVALID_HANDLE_VALUE and null both mean "none".
struct KernelHandleTraits {
  static bool IsValid(HANDLE handle) { return handle && handle != INVALID_HANDLE_VALUE; }
  static void Free(HANDLE handle) { ::CloseHandle(handle); }
};

using ScopedHandle = ScopedGeneric<HANDLE, KernelHandleTraits>;

}  // namespace base
