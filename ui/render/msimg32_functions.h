#pragma once

#include <windows.h>

namespace ui {

using AlphaBlendFunction =
    BOOL(WINAPI*)(HDC, int, int, int, int, HDC, int, int, int, int, BLENDFUNCTION);
using GradientFillFunction = BOOL(WINAPI*)(HDC, PTRIVERTEX, ULONG, PVOID, ULONG, ULONG);

// The two drawing routines of msimg32.dll. Looked up once per process and kept; either may be
// null when the library or the routine cannot be had, and the render engine then falls back to
// its own code.
struct Msimg32Functions {
  AlphaBlendFunction alphaBlend = nullptr;
  GradientFillFunction gradientFill = nullptr;
};
const Msimg32Functions& Msimg32();

}  // namespace ui
