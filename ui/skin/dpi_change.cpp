#include "ui/skin/dpi_change.h"

#include "ui/core/paint_manager.h"

namespace ui {

void ApplyDpiChange(PaintManager& manager, HWND window, WPARAM wParam, LPARAM lParam) {
  // Both halves of wParam carry the new DPI; a window's scale is the same on both axes.
  manager.SetDpi(HIWORD(wParam));
  const auto* suggested = reinterpret_cast<const RECT*>(lParam);
  if (suggested) {
    ::SetWindowPos(window, nullptr, suggested->left, suggested->top,
                   suggested->right - suggested->left, suggested->bottom - suggested->top,
                   SWP_NOZORDER | SWP_NOACTIVATE);
  }
}

}  // namespace ui
