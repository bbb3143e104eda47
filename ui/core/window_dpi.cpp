#include "ui/core/window_dpi.h"

#include "base/scoped_gdi.h"
#include "base/system_library.h"
#include "ui/render/display_scale.h"

namespace ui {

namespace {

using GetDpiForWindowFunction = UINT(WINAPI*)(HWND);

// user32 is loaded with every GUI program; GetModuleHandle takes no reference to release.
GetDpiForWindowFunction LookUpGetDpiForWindow() {
  return base::GetProcedure<GetDpiForWindowFunction>(::GetModuleHandleW(L"user32.dll"),
                                                     "GetDpiForWindow");
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
