#pragma once

#include <windows.h>

#include <imm.h>
#include <richedit.h>
#include <textserv.h>

namespace ui {

// The interface ids of the windowless text services. mingw's import libraries do not carry
// them, so they are defined here.
inline constexpr IID kIidTextServices = {0x8D33F740,
                                         0xCF58,
                                         0x11CE,
                                         {0xA8, 0x9D, 0x00, 0xAA, 0x00, 0x6C, 0xAD, 0xC5}};
inline constexpr IID kIidTextHost = {0xC5BDD8D0,
                                     0xD26E,
                                     0x11CE,
                                     {0xA8, 0x9E, 0x00, 0xAA, 0x00, 0x6C, 0xAD, 0xC5}};

using CreateTextServicesFunction = HRESULT(WINAPI*)(IUnknown*, ITextHost*, IUnknown**);

// CreateTextServices of msftedit.dll, loaded from the system folder once per process and kept;
// null when the library or the routine cannot be had. Nothing is linked against msftedit: it is
// no KnownDLL, and a copy planted beside the installer must never be picked up.
CreateTextServicesFunction TextServicesFactory();

using ImmGetContextFunction = HIMC(WINAPI*)(HWND);
using ImmReleaseContextFunction = BOOL(WINAPI*)(HWND, HIMC);
using ImmSetCompositionWindowFunction = BOOL(WINAPI*)(HIMC, LPCOMPOSITIONFORM);
using ImmSetCompositionFontFunction = BOOL(WINAPI*)(HIMC, LPLOGFONTW);

// The input-method routines the rich edit uses to place the composition window, looked up once
// per process in imm32.dll; each may be null, and the composition window then stays where the
// input method puts it.
struct Imm32Functions {
  ImmGetContextFunction getContext = nullptr;
  ImmReleaseContextFunction releaseContext = nullptr;
  ImmSetCompositionWindowFunction setCompositionWindow = nullptr;
  ImmSetCompositionFontFunction setCompositionFont = nullptr;
};
const Imm32Functions& Imm32();

}  // namespace ui
