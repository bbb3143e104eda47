#pragma once

#include <windows.h>
#include <winhttp.h>

#include <string>

#include "base/scoped_generic.h"

// Owners for what WinHTTP hands out: its handles, and the strings it allocates for its caller
// with GlobalAlloc.

struct WinHttpHandleTraits {
  static bool IsValid(HINTERNET handle) { return handle != nullptr; }
  static void Free(HINTERNET handle) { ::WinHttpCloseHandle(handle); }
};
using ScopedWinHttpHandle = base::ScopedGeneric<HINTERNET, WinHttpHandleTraits>;

struct GlobalStringTraits {
  static bool IsValid(LPWSTR text) { return text != nullptr; }
  static void Free(LPWSTR text) { ::GlobalFree(text); }
};
using ScopedGlobalString = base::ScopedGeneric<LPWSTR, GlobalStringTraits>;

inline std::wstring TextOf(const ScopedGlobalString& text) {
  return text ? std::wstring(text.Get()) : std::wstring();
}
