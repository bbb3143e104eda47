#pragma once

#include <windows.h>

namespace ui {

class PaintManager;

// The answer of WM_NCHITTEST for a frameless skinned window at point (client coordinates):
// resize borders from the manager's size box (not while maximised), then the caption area,
// except where an enabled button, option, text or check box lies, else the client area.
LRESULT SkinWindowHitTest(PaintManager& manager, POINT point, const RECT& client, bool maximized);

}  // namespace ui
