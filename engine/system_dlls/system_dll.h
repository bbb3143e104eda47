#pragma once

#include <windows.h>

namespace system_dlls {

// Loads a DLL from the system folder only, never from the program's folder or the current
// folder: the installer is often started from a download folder that holds other files. Takes a
// bare file name; anything with a path, or an empty name, gives null.
HMODULE LoadSystemLibrary(const wchar_t* fileName);

// GetProcAddress on a module that may be null; null when either is missing.
FARPROC FindProcedure(HMODULE module, const char* name);

// Makes the system folder the only place the loader searches for DLLs loaded later by name, for
// this process. Called first thing at start-up; true when the restriction is in force.
bool RestrictDllSearchToSystemFolder();

}  // namespace system_dlls
