#include "base/rect_math.h"
#include "ui/core/control.h"
#include "ui/core/paint_manager.h"

// Translucent windows: a constant opacity (SetLayeredWindowAttributes), or per-pixel layered
// painting (UpdateLayeredWindow from the off-screen buffer, paint_manager_paint.cpp) driven by a
// 10-millisecond timer that turns Invalidate into a screen update.
namespace ui {
namespace {

constexpr UINT kLayeredTimerInterval = 10;

void SetExtendedStyleBit(HWND window, LONG_PTR bit, bool on) {
  const LONG_PTR style = ::GetWindowLongPtrW(window, GWL_EXSTYLE);
  ::SetWindowLongPtrW(window, GWL_EXSTYLE, on ? style | bit : style & ~bit);
}

}  // namespace

void PaintManager::SetOpacity(uint8_t opacity) {
  opacity_ = opacity;
  if (window_) {
    SetExtendedStyleBit(window_, WS_EX_LAYERED, true);
    ::SetLayeredWindowAttributes(window_, 0, opacity, LWA_ALPHA);
    // Constant alpha replaces per-pixel painting, and with it the repaint timer.
    if (layered_) {
      ::KillTimer(window_, kLayeredTimerId);
      if (!painting_)
        DropPaintBuffers();
    }
    layered_ = false;
    InvalidateAll();
  }
}

void PaintManager::SetLayered(bool layered) {
  if (!window_ || layered == layered_)
    return;
  if ((::GetWindowLongPtrW(window_, GWL_STYLE) & WS_CHILD) != 0)
    return;
  if (layered) {
    if (!::SetTimer(window_, kLayeredTimerId, kLayeredTimerInterval, nullptr))
      return;
  } else {
    ::KillTimer(window_, kLayeredTimerId);
  }
  SetExtendedStyleBit(window_, WS_EX_LAYERED, layered);
  layered_ = layered;
  // The off-screen buffer of the other mode has the wrong kind of pixels.
  if (!painting_)
    DropPaintBuffers();
  if (root_)
    root_->RequestLayout();
  InvalidateAll();
}

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
  // The background buffer holds the earlier image; the next layered paint draws the new one.
  if (!painting_) {
    backgroundDc_.Reset();
    backgroundBitmap_.Reset();
    backgroundPixels_ = nullptr;
  }
}

void PaintManager::RepaintLayered() {
  if (!layered_ || base::IsRectEmpty(layeredUpdateRect_) || ::IsIconic(window_))
    return;
  PaintWindowMessage();
}

}  // namespace ui
