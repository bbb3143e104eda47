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

// Makes the system folder the only place the loader searches for DLLs loaded later by name, for
// the whole process. Called first thing at start-up; true when the restriction is in force, false
// when the system lacks it and only the current folder could be taken out of the search.
bool RestrictDllSearchToSystemFolder();

}  // namespace base
