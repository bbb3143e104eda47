#include "ui/core/layered_window_painter.h"

#include <algorithm>
#include <cstring>

#include "base/rect_math.h"
#include "ui/core/control.h"
#include "ui/core/paint_manager.h"
#include "ui/render/gdi_helpers.h"
#include "ui/render/image_record.h"

namespace ui {
namespace {

constexpr UINT kLayeredTimerInterval = 10;

void SetExtendedStyleBit(HWND window, LONG_PTR bit, bool on) {
  const LONG_PTR style = ::GetWindowLongPtrW(window, GWL_EXSTYLE);
  ::SetWindowLongPtrW(window, GWL_EXSTYLE, on ? style | bit : style & ~bit);
}

}  // namespace

void LayeredWindowPainter::SetOpacity(uint8_t opacity) {
  opacity_ = opacity;
  HWND window = manager_.PaintWindow();
  if (!window)
    return;
  SetExtendedStyleBit(window, WS_EX_LAYERED, true);
  ::SetLayeredWindowAttributes(window, 0, opacity, LWA_ALPHA);
  // Constant alpha replaces per-pixel painting, and with it the repaint timer.
  if (layered_) {
    ::KillTimer(window, kLayeredTimerId);
    if (!manager_.IsPainting())
      manager_.DropPaintBuffers();
  }
  layered_ = false;
  manager_.InvalidateAll();
}

void LayeredWindowPainter::SetLayered(bool layered) {
  HWND window = manager_.PaintWindow();
  if (!window || layered == layered_)
    return;
  if ((::GetWindowLongPtrW(window, GWL_STYLE) & WS_CHILD) != 0)
    return;
  if (layered) {
    if (!::SetTimer(window, kLayeredTimerId, kLayeredTimerInterval, nullptr))
      return;
  } else {
    ::KillTimer(window, kLayeredTimerId);
  }
  SetExtendedStyleBit(window, WS_EX_LAYERED, layered);
  layered_ = layered;
  // The off-screen buffer of the other mode has the wrong kind of pixels.
  if (!manager_.IsPainting())
    manager_.DropPaintBuffers();
  if (Control* root = manager_.GetRoot())
    root->RequestLayout();
  manager_.InvalidateAll();
}

void LayeredWindowPainter::SetLayeredOpacity(uint8_t opacity) {
  opacity_ = opacity;
  changed_ = true;
  manager_.InvalidateAll();
}

void LayeredWindowPainter::SetLayeredImage(std::wstring_view description) {
  image_.Clear();
  image_.description = description;
  // Resolved now, drawn by the layered paint.
  RenderEngine::ResolveImageInfo(&manager_, image_);
  // The background buffer holds the earlier image; the next layered paint draws the new one.
  if (!manager_.IsPainting())
    DropBackground();
}

bool LayeredWindowPainter::HandleFrameMessage(UINT message, WPARAM wParam, LRESULT& result) const {
  if (!layered_)
    return false;
  switch (message) {
    case WM_NCCALCSIZE:
    case WM_NCPAINT:
      result = 0;
      return true;
    case WM_NCACTIVATE:
      if (::IsIconic(manager_.PaintWindow()))
        return false;
      result = wParam == 0 ? TRUE : FALSE;
      return true;
    default:
      return false;
  }
}

bool LayeredWindowPainter::TakeDirty(const RECT& client, RECT& dirty) {
  dirty = dirty_;
  if (base::IsRectEmpty(dirty))
    return false;
  dirty.right = std::min(dirty.right, client.right);
  dirty.bottom = std::min(dirty.bottom, client.bottom);
  dirty_ = {0, 0, 0, 0};
  return !base::IsRectEmpty(dirty);
}

void LayeredWindowPainter::PutFrame(HDC dc,
                                    uint32_t* pixels,
                                    const RECT& client,
                                    const RECT& dirty) {
  if (!image_.description.empty())
    DrawBackground(client);
  ApplyMask(pixels, client, dirty);
  HWND window = manager_.PaintWindow();
  RECT bounds = {0, 0, 0, 0};
  ::GetWindowRect(window, &bounds);
  POINT destination = {bounds.left, bounds.top};
  SIZE size = {client.right - client.left, client.bottom - client.top};
  POINT source = {0, 0};
  BLENDFUNCTION blend = {AC_SRC_OVER, 0, opacity_, AC_SRC_ALPHA};
  // A failed update leaves the screen as it was; the next invalidation tries again.
  ::UpdateLayeredWindow(window, manager_.PaintDC(), &destination, &size, dc, &source, 0, &blend,
                        ULW_ALPHA);
}

void LayeredWindowPainter::DrawBackground(const RECT& client) {
  const int width = client.right - client.left;
  const int height = client.bottom - client.top;
  if (backgroundBitmap_ && !changed_)
    return;
  if (!backgroundBitmap_) {
    backgroundDc_ = base::ScopedMemoryDC(::CreateCompatibleDC(manager_.PaintDC()));
    backgroundBitmap_ = CreateDibSection(width, height, &backgroundPixels_);
    if (!backgroundDc_ || !backgroundBitmap_ || !backgroundPixels_) {
      DropBackground();
      return;
    }
    // The bitmap stays selected for the DC's life.
    ::SelectObject(backgroundDc_.Get(), backgroundBitmap_.Get());
  }
  ::GdiFlush();
  std::memset(backgroundPixels_, 0, static_cast<size_t>(width) * height * sizeof(uint32_t));
  ClipState clip = RenderEngine::RectClip(backgroundDc_.Get(), client);
  RenderEngine::DrawImageInfo(backgroundDc_.Get(), &manager_, client, client, image_);
  RenderEngine::RestoreClip(clip);
}

// The image's alpha is the window's mask: where it is 0 the window is fully transparent.
void LayeredWindowPainter::ApplyMask(uint32_t* pixels, const RECT& client, const RECT& dirty) {
  if (!backgroundPixels_ || !pixels || !image_.image || !image_.image->hasAlpha)
    return;
  ::GdiFlush();
  const int width = client.right;
  for (LONG y = dirty.top; y < dirty.bottom; ++y) {
    for (LONG x = dirty.left; x < dirty.right; ++x) {
      uint32_t& pixel = pixels[y * width + x];
      const uint32_t alpha = backgroundPixels_[y * width + x] >> 24;
      const uint32_t red = ((pixel >> 16) & 0xFF) * alpha / 255;
      const uint32_t green = ((pixel >> 8) & 0xFF) * alpha / 255;
      const uint32_t blue = (pixel & 0xFF) * alpha / 255;
      pixel = (alpha << 24) | (red << 16) | (green << 8) | blue;
    }
  }
}

}  // namespace ui
