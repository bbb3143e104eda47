#include "ui/core/control.h"
#include "ui/core/paint_manager.h"

namespace ui {

void PaintManager::SetDpi(int dpi) {
  const DisplayScale scale(dpi);
  if (scale == GetDisplayScale())
    return;
  resources_.SetScale(scale);
  // Images are looked up again when next drawn (a record knows the DPI it was made for); the
  // whole tree is laid out anew because every size in it changes.
  if (root_) {
    root_->Find(
        [](Control* visited, void*) -> Control* {
          visited->RequestLayout();
          return nullptr;
        },
        nullptr, 0);
  }
  updateNeeded_ = true;
  DropPaintBuffers();
  InvalidateAll();
}

}  // namespace ui
