#include "ui/core/window_dpi.h"

#include "base/scoped_gdi.h"
#include "ui/render/display_scale.h"

namespace ui {

namespace {

using GetDpiForWindowFunction = UINT(WINAPI*)(HWND);

GetDpiForWindowFunction LookUpGetDpiForWindow() {
  // user32 is loaded with every GUI program; GetModuleHandle takes no reference to release.
  HMODULE user32 = ::GetModuleHandleW(L"user32.dll");
  if (!user32)
    return nullptr;
  return reinterpret_cast<GetDpiForWindowFunction>(
      reinterpret_cast<void*>(::GetProcAddress(user32, "GetDpiForWindow")));
}

}  // namespace

int WindowDpi(HWND window) {
  static const GetDpiForWindowFunction getDpiForWindow = LookUpGetDpiForWindow();
  if (getDpiForWindow && window) {
    if (const UINT dpi = getDpiForWindow(window); dpi > 0)
      return static_cast<int>(dpi);
  }
  base::ScopedGetDC dc(window);
  const int dpi = dc.Get() ? ::GetDeviceCaps(dc.Get(), LOGPIXELSX) : 0;
  return dpi > 0 ? dpi : DisplayScale::kBaseDpi;
}

}  // namespace ui
