#include <algorithm>
#include <cstring>
#include <vector>

#include "base/rect_math.h"
#include "base/scoped_gdi.h"
#include "ui/core/control.h"
#include "ui/core/paint_manager.h"
#include "ui/render/gdi_helpers.h"
#include "ui/render/image_record.h"

// WM_PAINT and WM_PRINTCLIENT: the layout pass, the tree painted into an off-screen buffer, the
// controls that paint after the tree, and the output to the window, or, for a layered window,
// the per-pixel composition pushed with UpdateLayeredWindow.
namespace ui {
namespace {

constexpr uint32_t kPrintNativeChildFlags =
    PRF_CHECKVISIBLE | PRF_CLIENT | PRF_CHILDREN | PRF_OWNED;

// The child's rectangle in the client coordinates of window.
RECT ChildRect(HWND window, HWND child) {
  RECT rect = {0, 0, 0, 0};
  if (::GetWindowRect(child, &rect))
    ::MapWindowPoints(HWND_DESKTOP, window, reinterpret_cast<POINT*>(&rect), 2);
  return rect;
}

// Sets every pixel of area in a top-down buffer of the given width to value.
void FillPixels(uint32_t* pixels, int width, const RECT& area, uint32_t value) {
  if (base::IsRectEmpty(area))
    return;
  for (LONG y = area.top; y < area.bottom; ++y)
    std::fill(pixels + y * width + area.left, pixels + y * width + area.right, value);
}

SIZE BitmapSize(HBITMAP bitmap) {
  BITMAP description = {};
  if (!bitmap || !::GetObjectW(bitmap, sizeof(description), &description))
    return {0, 0};
  return {description.bmWidth, description.bmHeight};
}

// Sets a flag for the lifetime of the scope, also when it ends by an exception.
class ScopedFlag {
 public:
  explicit ScopedFlag(bool& flag) : flag_(flag) { flag_ = true; }
  ~ScopedFlag() { flag_ = false; }
  ScopedFlag(const ScopedFlag&) = delete;
  ScopedFlag& operator=(const ScopedFlag&) = delete;

 private:
  bool& flag_;
};

// Begins and ends a platform paint with nothing drawn: the window counts as painted.
void ValidateByPaint(HWND window) {
  base::ScopedPaint paint(window);
}

}  // namespace

void PaintManager::DropPaintBuffers() {
  // The DCs go first, so that their bitmaps are no longer selected anywhere.
  offscreenDc_.Reset();
  offscreenBitmap_.Reset();
  offscreenPixels_ = nullptr;
  backgroundDc_.Reset();
  backgroundBitmap_.Reset();
  backgroundPixels_ = nullptr;
}

bool PaintManager::CreateOffscreenBuffer(const RECT& client) {
  const int width = client.right - client.left;
  const int height = client.bottom - client.top;
  offscreenDc_ = base::ScopedMemoryDC(::CreateCompatibleDC(windowDc_.Get()));
  if (layered_) {
    offscreenBitmap_ = CreateDibSection(width, height, &offscreenPixels_);
  } else {
    offscreenBitmap_ = base::ScopedBitmap(::CreateCompatibleBitmap(windowDc_.Get(), width, height));
    offscreenPixels_ = nullptr;
  }
  if (!offscreenDc_ || !offscreenBitmap_) {
    DropPaintBuffers();
    return false;
  }
  if (offscreenPixels_)
    std::memset(offscreenPixels_, 0, static_cast<size_t>(width) * height * sizeof(uint32_t));
  return true;
}

// One paint pass, in order: the dirty area, the layout, the buffers, then the paint itself. Each
// step may end the pass early (nothing dirty, a listener took the tree away, no buffer), which is
// why the steps stay in one function.
void PaintManager::PaintWindowMessage() {
  if (!root_) {
    base::ScopedPaint paint(window_);
    if (paint.Get())
      RenderEngine::DrawColor(paint.Get(), paint.Area(), 0xFF000000);
    return;
  }

  RECT client = {0, 0, 0, 0};
  ::GetClientRect(window_, &client);
  RECT dirty = {0, 0, 0, 0};
  if (layered_) {
    dirty = layeredUpdateRect_;
    if (base::IsRectEmpty(dirty)) {
      ValidateByPaint(window_);
      return;
    }
    dirty.right = std::min(dirty.right, client.right);
    dirty.bottom = std::min(dirty.bottom, client.bottom);
    layeredUpdateRect_ = {0, 0, 0, 0};
    if (base::IsRectEmpty(dirty)) {
      ValidateByPaint(window_);
      return;
    }
  } else if (!::GetUpdateRect(window_, &dirty, FALSE)) {
    return;
  }

  if (focusNeeded_)
    MoveFocusByTab(TabDirection::Forward);
  // Scoped, like the platform paint below: a control that throws while it is laid out or painted
  // leaves neither the flag set nor the paint open.
  ScopedFlag painting(painting_);

  if (updateNeeded_) {
    const bool firstLayout = firstLayout_;
    // The root laid out anew means a new size: the buffers are made again below.
    if (RunLayoutPass(client))
      DropPaintBuffers();
    if (firstLayout && !firstLayout_ && layered_ && layeredChanged_) {
      InvalidateAll();
      return;
    }
    // Controls moved by the layout invalidated where they are now; BeginPaint below validates
    // that too, so it is painted in this pass.
    RECT laidOut = {0, 0, 0, 0};
    if (!layered_ && ::GetUpdateRect(window_, &laidOut, FALSE))
      dirty = base::UnionRects(dirty, laidOut);
  } else if (layered_ && layeredChanged_) {
    if (offscreenPixels_)
      FillPixels(offscreenPixels_, client.right, client, 0);
    root_->SetRect(client, /*invalidate=*/true);
  }
  // A listener of "windowinit" or a size hook may have taken the window or the tree away.
  if (!window_ || !root_)
    return;

  // The buffers follow the client size, also when no layout pass noticed a change.
  const SIZE bufferSize = BitmapSize(offscreenBitmap_.Get());
  if (offscreenBitmap_ && (bufferSize.cx != client.right || bufferSize.cy != client.bottom))
    DropPaintBuffers();
  if (!offscreenBitmap_ && (base::IsRectEmpty(client) || !CreateOffscreenBuffer(client))) {
    // Nothing to paint with; the window counts as painted so that it is not asked again at once.
    ValidateByPaint(window_);
    return;
  }

  {
    base::ScopedPaint paint(window_);
    {
      HDC dc = offscreenDc_.Get();
      base::ScopedSelectObject selectBuffer(dc, offscreenBitmap_.Get());
      {
        base::ScopedSaveDC savedState(dc);
        if (layered_ && !layeredImage_.image && offscreenPixels_) {
          ::GdiFlush();
          FillPixels(offscreenPixels_, client.right, dirty, 0);
        }
        root_->Paint(dc, dirty, nullptr);
        if (layered_)
          PrintNativeChildren(dc, dirty);
        postPaintControls_.ForEach([&](Control* control) { control->PaintAfter(dc); });
      }

      if (layered_) {
        ApplyLayeredImage(client, dirty);
        UpdateLayeredOutput(client);
      } else {
        ::BitBlt(windowDc_.Get(), dirty.left, dirty.top, dirty.right - dirty.left,
                 dirty.bottom - dirty.top, dc, dirty.left, dirty.top, SRCCOPY);
      }
    }
    if (!layered_ && showDirty_) {
      HDC windowDc = windowDc_.Get();
      base::ScopedSelectObject pen(windowDc, ShowDirtyPen());
      base::ScopedSelectObject brush(windowDc, ::GetStockObject(NULL_BRUSH));
      ::Rectangle(windowDc, dirty.left, dirty.top, dirty.right, dirty.bottom);
    }
  }
  layeredChanged_ = false;
  if (updateNeeded_)
    InvalidateAll();
}

void PaintManager::PrintNativeChildren(HDC dc, const RECT& dirty) {
  for (size_t i = 0; i < nativeWindows_.size();) {
    HWND child = nativeWindows_[i];
    if (!::IsWindow(child)) {
      nativeWindows_.erase(nativeWindows_.begin() + i);
      nativeWindowControls_.erase(nativeWindowControls_.begin() + i);
      continue;
    }
    ++i;
    const RECT area = ChildRect(window_, child);
    if (!::IsWindowVisible(child) || !base::RectsMeet(area, dirty))
      continue;
    const int width = area.right - area.left;
    const int height = area.bottom - area.top;
    uint32_t* pixels = nullptr;
    base::ScopedBitmap bitmap = CreateDibSection(width, height, &pixels);
    base::ScopedMemoryDC childDc(::CreateCompatibleDC(dc));
    if (!bitmap || !childDc || !pixels)
      continue;
    std::memset(pixels, 0, static_cast<size_t>(width) * height * sizeof(uint32_t));
    base::ScopedSelectObject select(childDc.Get(), bitmap.Get());
    ::SendMessageW(child, WM_PRINT, reinterpret_cast<WPARAM>(childDc.Get()),
                   kPrintNativeChildFlags);
    ::GdiFlush();
    // GDI leaves alpha at 0: whatever the child drew is opaque.
    for (int p = 0; p < width * height; ++p) {
      if (pixels[p] != 0)
        pixels[p] |= 0xFF000000;
    }
    ::BitBlt(dc, area.left, area.top, width, height, childDc.Get(), 0, 0, SRCCOPY);
  }
}

void PaintManager::ApplyLayeredImage(const RECT& client, const RECT& dirty) {
  if (!layeredImage_.description.empty()) {
    const int width = client.right - client.left;
    const int height = client.bottom - client.top;
    bool draw = false;
    if (!backgroundBitmap_) {
      backgroundDc_ = base::ScopedMemoryDC(::CreateCompatibleDC(windowDc_.Get()));
      backgroundBitmap_ = CreateDibSection(width, height, &backgroundPixels_);
      if (!backgroundDc_ || !backgroundBitmap_ || !backgroundPixels_) {
        backgroundDc_.Reset();
        backgroundBitmap_.Reset();
        backgroundPixels_ = nullptr;
      } else {
        // The bitmap stays selected for the DC's life.
        ::SelectObject(backgroundDc_.Get(), backgroundBitmap_.Get());
        draw = true;
      }
    } else if (layeredChanged_) {
      draw = true;
    }
    if (draw) {
      ::GdiFlush();
      std::memset(backgroundPixels_, 0, static_cast<size_t>(width) * height * sizeof(uint32_t));
      ClipState clip = RenderEngine::RectClip(backgroundDc_.Get(), client);
      RenderEngine::DrawImageInfo(backgroundDc_.Get(), this, client, client, layeredImage_);
      RenderEngine::RestoreClip(clip);
    }
  }
  if (!backgroundPixels_ || !offscreenPixels_ || !layeredImage_.image ||
      !layeredImage_.image->hasAlpha) {
    return;
  }
  // The image's alpha is the window's mask: where it is 0 the window is fully transparent.
  ::GdiFlush();
  const int width = client.right;
  for (LONG y = dirty.top; y < dirty.bottom; ++y) {
    for (LONG x = dirty.left; x < dirty.right; ++x) {
      uint32_t& pixel = offscreenPixels_[y * width + x];
      const uint32_t alpha = backgroundPixels_[y * width + x] >> 24;
      const uint32_t red = ((pixel >> 16) & 0xFF) * alpha / 255;
      const uint32_t green = ((pixel >> 8) & 0xFF) * alpha / 255;
      const uint32_t blue = (pixel & 0xFF) * alpha / 255;
      pixel = (alpha << 24) | (red << 16) | (green << 8) | blue;
    }
  }
}

void PaintManager::UpdateLayeredOutput(const RECT& client) {
  RECT bounds = {0, 0, 0, 0};
  ::GetWindowRect(window_, &bounds);
  POINT destination = {bounds.left, bounds.top};
  SIZE size = {client.right - client.left, client.bottom - client.top};
  POINT source = {0, 0};
  BLENDFUNCTION blend = {AC_SRC_OVER, 0, opacity_, AC_SRC_ALPHA};
  // A failed update leaves the screen as it was; the next invalidation tries again.
  ::UpdateLayeredWindow(window_, windowDc_.Get(), &destination, &size, offscreenDc_.Get(), &source,
                        0, &blend, ULW_ALPHA);
}

void PaintManager::PrintClient(HDC dc, LPARAM flags) {
  if (!dc)
    return;
  RECT client = {0, 0, 0, 0};
  ::GetClientRect(window_, &client);
  {
    base::ScopedSaveDC savedState(dc);
    root_->Paint(dc, client, nullptr);
  }
  if ((flags & PRF_CHILDREN) == 0)
    return;
  for (HWND child = ::GetWindow(window_, GW_CHILD); child;
       child = ::GetWindow(child, GW_HWNDNEXT)) {
    const RECT area = ChildRect(window_, child);
    POINT previous = {0, 0};
    ::OffsetViewportOrgEx(dc, area.left, area.top, &previous);
    ::SendMessageW(child, WM_PRINT, reinterpret_cast<WPARAM>(dc), flags | PRF_NONCLIENT);
    ::SetViewportOrgEx(dc, previous.x, previous.y, nullptr);
  }
}

}  // namespace ui
