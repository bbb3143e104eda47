#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <string_view>

#include "base/rect_math.h"
#include "base/scoped_gdi.h"
#include "ui/render/render_engine.h"

namespace ui {

class PaintManager;

// The timer that turns Invalidate into a screen update on a layered window.
inline constexpr UINT_PTR kLayeredTimerId = 0x2000;

// The translucency of a paint manager's window: a constant opacity (SetLayeredWindowAttributes),
// or per-pixel layered painting, where the paint pass's off-screen pixels, masked by the alpha
// of the layered image, go to the screen with UpdateLayeredWindow, and a 10-millisecond timer
// turns the dirty area collected from Invalidate into a repaint. Owns the background buffer that
// holds the drawn layered image; the manager owns the painter and outlives it.
class LayeredWindowPainter {
 public:
  explicit LayeredWindowPainter(PaintManager& manager) : manager_(manager) {}
  LayeredWindowPainter(const LayeredWindowPainter&) = delete;
  LayeredWindowPainter& operator=(const LayeredWindowPainter&) = delete;

  void SetOpacity(uint8_t opacity);
  uint8_t GetOpacity() const { return opacity_; }
  void SetLayered(bool layered);
  bool IsLayered() const { return layered_; }
  void SetLayeredOpacity(uint8_t opacity);
  void SetLayeredImage(std::wstring_view description);
  const std::wstring& GetLayeredImage() const { return image_.description; }

  // A layered window has no frame to compute or paint, nor to show as active: true when the
  // message is one of those, with its answer.
  bool HandleFrameMessage(UINT message, WPARAM wParam, LRESULT& result) const;
  // Collects area for the next repaint; false when the window is not layered, which leaves the
  // invalidation to the platform.
  bool CollectDirty(const RECT& area) {
    if (layered_)
      dirty_ = base::UnionRects(dirty_, area);
    return layered_;
  }
  // Takes the collected area within client into dirty; false when nothing is left to paint.
  bool TakeDirty(const RECT& client, RECT& dirty);
  // Whether an area was collected for the next repaint.
  bool HasDirtyArea() const { return !base::IsRectEmpty(dirty_); }
  // Whether the opacity or the mode changed since the last frame was put on the screen.
  bool HasChanged() const { return changed_; }
  void FramePainted() { changed_ = false; }
  // Whether the paint clears the dirty pixels first: only a window without a layered image,
  // whose pixels are otherwise left from the last frame.
  bool ClearsDirtyPixels() const { return !image_.image; }
  // Masks the frame in pixels (the off-screen buffer of dc, client-sized, top-down) by the
  // layered image within dirty and puts it on the screen.
  void PutFrame(HDC dc, uint32_t* pixels, const RECT& client, const RECT& dirty);
  // The background buffer holds the layered image as drawn at the last size; it is drawn again.
  void DropBackground() {
    backgroundDc_.Reset();
    backgroundBitmap_.Reset();
    backgroundPixels_ = nullptr;
  }

 private:
  // Draws the layered image into the background buffer when it is new or something changed.
  void DrawBackground(const RECT& client);
  void ApplyMask(uint32_t* pixels, const RECT& client, const RECT& dirty);

  PaintManager& manager_;
  uint8_t opacity_ = 255;
  bool layered_ = false;
  bool changed_ = false;
  RECT dirty_ = {0, 0, 0, 0};
  ImageDrawInfo image_;
  base::ScopedMemoryDC backgroundDc_;
  base::ScopedBitmap backgroundBitmap_;
  uint32_t* backgroundPixels_ = nullptr;
};

}  // namespace ui
