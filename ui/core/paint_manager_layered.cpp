#include "ui/core/paint_manager.h"

// Translucent windows. The values are kept here; applying them to the native window (the
// layered style, the constant alpha, the per-pixel layered output and its repaint timer) belongs
// to window painting, which completes these operations. Until then a window stays opaque.
namespace ui {

void PaintManager::SetOpacity(uint8_t opacity) {
  opacity_ = opacity;
  InvalidateAll();
}

// Switching per-pixel layered painting needs the layered output of window painting; without it
// the window keeps painting as an ordinary one.
void PaintManager::SetLayered(bool) {}

void PaintManager::SetLayeredOpacity(uint8_t opacity) {
  opacity_ = opacity;
  layeredChanged_ = true;
  InvalidateAll();
}

void PaintManager::SetLayeredImage(std::wstring_view description) {
  layeredImage_.Clear();
  layeredImage_.description = description;
  // Resolved now, drawn by the layered paint.
  RenderEngine::ResolveImageInfo(this, layeredImage_);
}

void PaintManager::RepaintLayered() {}

}  // namespace ui
