#pragma once

#include <windows.h>

namespace base {

// Loads a DLL from the system folder only. The installer runs from the user's download folder,
// where a planted DLL of the same name must never be picked up by the default search order.
// Null when the name is empty or has a path in it, or the library cannot be loaded.
HMODULE LoadSystemLibrary(const wchar_t* fileName);

// A routine of a loaded module as the function type it has; null when the module or the routine
// is missing.
template <typename Function>
Function GetProcedure(HMODULE module, const char* name) {
  if (!module)
    return nullptr;
  // GetProcAddress gives a generic pointer; void (*)() converts to any function type quietly.
  return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(::GetProcAddress(module, name)));
}

}  // namespace base
