#include <windows.h>

#include "engine/system_dlls/system_dll.h"

// The wizard window arrives with the UI framework; until then the installer starts and ends.
int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  // Before anything can load a DLL by name: the installer is often started from a download
  // folder, where a planted DLL must never be picked up.
  system_dlls::RestrictDllSearchToSystemFolder();
  return 0;
}
