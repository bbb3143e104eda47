// A program that imports comctl32.dll, which is not a KnownDLL, the way a plain link against its
// import library does: the PE check must refuse it.
#include <windows.h>

#include <commctrl.h>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  INITCOMMONCONTROLSEX classes = {sizeof(classes), ICC_WIN95_CLASSES};
  return ::InitCommonControlsEx(&classes) ? 0 : 1;
}
