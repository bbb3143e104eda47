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
// the frame handed to the layered painter.
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
  // The DC goes first, so that its bitmap is no longer selected anywhere.
  offscreenDc_.Reset();
  offscreenBitmap_.Reset();
  offscreenPixels_ = nullptr;
  layered_.DropBackground();
}

bool PaintManager::CreateOffscreenBuffer(const RECT& client) {
  const int width = client.right - client.left;
  const int height = client.bottom - client.top;
  offscreenDc_ = base::ScopedMemoryDC(::CreateCompatibleDC(windowDc_.Get()));
  if (IsLayered()) {
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
// step may end the pass early (nothing dirty, a listener took the tree away, no buffer).
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
  if (!TakeDirtyArea(client, dirty))
    return;
  if (focusNeeded_)
    MoveFocusByTab(TabDirection::Forward);
  // Scoped, like the platform paint below: a control that throws while it is laid out or painted
  // leaves neither the flag set nor the paint open.
  ScopedFlag painting(painting_);
  if (!LayOutForPaint(client, dirty))
    return;
  // A listener of "windowinit" or a size hook may have taken the window or the tree away.
  if (!window_ || !root_)
    return;
  if (!EnsureOffscreenBuffer(client)) {
    // Nothing to paint with; the window counts as painted so that it is not asked again at once.
    ValidateByPaint(window_);
    return;
  }
  PaintTree(client, dirty);
  layered_.FramePainted();
  if (updateNeeded_)
    InvalidateAll();
}

bool PaintManager::TakeDirtyArea(const RECT& client, RECT& dirty) {
  if (!IsLayered())
    return ::GetUpdateRect(window_, &dirty, FALSE) != FALSE;
  if (layered_.TakeDirty(client, dirty))
    return true;
  ValidateByPaint(window_);
  return false;
}

bool PaintManager::LayOutForPaint(const RECT& client, RECT& dirty) {
  if (updateNeeded_) {
    const bool firstLayout = firstLayout_;
    // The root laid out anew means a new size: the buffers are made again.
    if (RunLayoutPass(client))
      DropPaintBuffers();
    if (firstLayout && !firstLayout_ && IsLayered() && layered_.HasChanged()) {
      InvalidateAll();
      return false;
    }
    // Controls moved by the layout invalidated where they are now; BeginPaint validates that
    // too, so it is painted in this pass.
    RECT laidOut = {0, 0, 0, 0};
    if (!IsLayered() && ::GetUpdateRect(window_, &laidOut, FALSE))
      dirty = base::UnionRects(dirty, laidOut);
  } else if (IsLayered() && layered_.HasChanged()) {
    if (offscreenPixels_)
      FillPixels(offscreenPixels_, client.right, client, 0);
    root_->SetRect(client, /*invalidate=*/true);
  }
  return true;
}

// The buffers follow the client size, also when no layout pass noticed a change.
bool PaintManager::EnsureOffscreenBuffer(const RECT& client) {
  const SIZE bufferSize = BitmapSize(offscreenBitmap_.Get());
  if (offscreenBitmap_ && (bufferSize.cx != client.right || bufferSize.cy != client.bottom))
    DropPaintBuffers();
  if (offscreenBitmap_)
    return true;
  return !base::IsRectEmpty(client) && CreateOffscreenBuffer(client);
}

void PaintManager::PaintTree(const RECT& client, const RECT& dirty) {
  base::ScopedPaint paint(window_);
  {
    HDC dc = offscreenDc_.Get();
    base::ScopedSelectObject selectBuffer(dc, offscreenBitmap_.Get());
    {
      base::ScopedSaveDC savedState(dc);
      if (IsLayered() && layered_.ClearsDirtyPixels() && offscreenPixels_) {
        ::GdiFlush();
        FillPixels(offscreenPixels_, client.right, dirty, 0);
      }
      root_->Paint(dc, dirty, nullptr);
      if (IsLayered())
        PrintNativeChildren(dc, dirty);
      postPaintControls_.ForEach([&](Control* control) { control->PaintAfter(dc); });
    }
    if (IsLayered()) {
      layered_.PutFrame(dc, offscreenPixels_, client, dirty);
    } else {
      ::BitBlt(windowDc_.Get(), dirty.left, dirty.top, dirty.right - dirty.left,
               dirty.bottom - dirty.top, dc, dirty.left, dirty.top, SRCCOPY);
    }
  }
  if (!IsLayered() && showDirty_) {
    // "showdirty" outlines the repainted area on the window.
    static const base::ScopedPen pen(::CreatePen(PS_SOLID, 1, RGB(220, 0, 0)));
    HDC windowDc = windowDc_.Get();
    base::ScopedSelectObject selectPen(windowDc, pen.Get());
    base::ScopedSelectObject brush(windowDc, ::GetStockObject(NULL_BRUSH));
    ::Rectangle(windowDc, dirty.left, dirty.top, dirty.right, dirty.bottom);
  }
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
