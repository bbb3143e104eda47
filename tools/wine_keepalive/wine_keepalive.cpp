// Waits until it is killed. The test run keeps one of these alive under Wine so that the
// wineserver and Wine's system processes stay up between test programs: a program that connects
// just as an idle wineserver shuts down fails with "wine client error".
//   wine-keepalive <ready file>
// Creates the ready file once running, so the caller knows that Wine's system processes were
// started by this program (and carry its quiet output) rather than by a test.
#include <windows.h>

#include "base/scoped_handle.h"

int wmain(int argc, wchar_t** argv) {
  // Brings up Wine's desktop process (explorer.exe /desktop) now. Otherwise the first test that
  // opens a window starts it, the desktop process keeps that test's output pipe open for as long
  // as Wine runs, and ctest waits for the pipe to close until the test's time-out.
  ::GetDesktopWindow();
  if (argc == 2) {
    // The file only has to exist: it is closed at once.
    base::ScopedHandle ready(::CreateFileW(argv[1], GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                           FILE_ATTRIBUTE_NORMAL, nullptr));
  }
  ::Sleep(INFINITE);
  return 0;
}
