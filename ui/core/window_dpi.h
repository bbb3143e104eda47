#pragma once

#include <windows.h>

namespace ui {

// The DPI that window is shown at: GetDpiForWindow where user32 has it (Windows 10 1607 on),
// else the screen's LOGPIXELSX, else 96. user32 is looked up at run time, so that the program
// still starts on Windows 7.
int WindowDpi(HWND window);

}  // namespace ui
