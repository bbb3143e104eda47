#include <windows.h>

// The wizard window arrives with the UI framework; until then the installer starts and ends.
int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  return 0;
}
