#pragma once

#include <windows.h>

// Points for the mouse messages tests send: the LPARAM of a client point (negative coordinates
// kept as the system packs them) and the centre of a control's rectangle.
inline LPARAM PointParam(int x, int y) {
  return MAKELPARAM(static_cast<WORD>(x), static_cast<WORD>(y));
}

inline POINT CenterOf(const RECT& rect) {
  return {(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2};
}
