#include <windows.h>

#include "base/system_library.h"

// The wizard window arrives with the UI framework; until then the installer starts and ends.
int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  // Before anything can load a DLL by name: the installer is often started from a download
  // folder, where a planted DLL must never be picked up.
  base::RestrictDllSearchToSystemFolder();
  return 0;
}
