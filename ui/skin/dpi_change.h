#pragma once

#include <windows.h>

namespace ui {

class PaintManager;

// WM_DPICHANGED, which the headers define only for newer targets than the program's.
inline constexpr UINT kDpiChangedMessage = 0x02E0;

// The window moved to a monitor of another scale: the paint manager takes the new DPI (fonts,
// layout, images) from wParam and the window the rectangle that the system suggests in lParam.
void ApplyDpiChange(PaintManager& manager, HWND window, WPARAM wParam, LPARAM lParam);

}  // namespace ui
