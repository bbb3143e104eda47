#pragma once

#include <windows.h>

#include <utility>

#include "base/scoped_generic.h"

namespace base {

// GDI objects released with DeleteObject: fonts, pens, brushes, bitmaps, regions.
template <typename T>
struct GdiObjectTraits {
  static bool IsValid(T object) { return object != nullptr; }
  static void Free(T object) { ::DeleteObject(object); }
};

template <typename T, typename Traits = GdiObjectTraits<T>>
using ScopedGdi = ScopedGeneric<T, Traits>;

using ScopedFont = ScopedGdi<HFONT>;
using ScopedPen = ScopedGdi<HPEN>;
using ScopedBrush = ScopedGdi<HBRUSH>;
using ScopedBitmap = ScopedGdi<HBITMAP>;
using ScopedRegion = ScopedGdi<HRGN>;

// Memory device contexts from CreateCompatibleDC, released with DeleteDC.
struct MemoryDcTraits {
  static bool IsValid(HDC dc) { return dc != nullptr; }
  static void Free(HDC dc) { ::DeleteDC(dc); }
};
using ScopedMemoryDC = ScopedGdi<HDC, MemoryDcTraits>;

// A window's device context from GetDC, given back with ReleaseDC; move-only.
class ScopedGetDC {
 public:
  ScopedGetDC() = default;
  explicit ScopedGetDC(HWND window) : window_(window), dc_(::GetDC(window)) {}
  ~ScopedGetDC() { Reset(); }
  ScopedGetDC(ScopedGetDC&& other) noexcept
      : window_(std::exchange(other.window_, nullptr)), dc_(std::exchange(other.dc_, nullptr)) {}
  ScopedGetDC& operator=(ScopedGetDC&& other) noexcept {
    if (this != &other) {
      Reset();
      window_ = std::exchange(other.window_, nullptr);
      dc_ = std::exchange(other.dc_, nullptr);
    }
    return *this;
  }
  ScopedGetDC(const ScopedGetDC&) = delete;
  ScopedGetDC& operator=(const ScopedGetDC&) = delete;

  HDC Get() const { return dc_; }
  HWND Window() const { return window_; }
  // Gives the DC back; the result of ReleaseDC is ignored, as the window may already be gone.
  void Reset() {
    if (dc_)
      ::ReleaseDC(window_, dc_);
    window_ = nullptr;
    dc_ = nullptr;
  }

 private:
  HWND window_ = nullptr;
  HDC dc_ = nullptr;
};

// Selects an object into a DC for the lifetime of the scope and puts the previous one back.
class ScopedSelectObject {
 public:
  ScopedSelectObject(HDC dc, HGDIOBJ object)
      : dc_(dc), previous_(dc && object ? ::SelectObject(dc, object) : nullptr) {}
  ~ScopedSelectObject() {
    if (previous_ && previous_ != HGDI_ERROR)
      ::SelectObject(dc_, previous_);
  }
  ScopedSelectObject(const ScopedSelectObject&) = delete;
  ScopedSelectObject& operator=(const ScopedSelectObject&) = delete;

 private:
  HDC dc_;
  HGDIOBJ previous_;
};

// Saves a DC's state (SaveDC) and restores it when the scope ends.
class ScopedSaveDC {
 public:
  explicit ScopedSaveDC(HDC dc) : dc_(dc), state_(dc ? ::SaveDC(dc) : 0) {}
  ~ScopedSaveDC() {
    if (state_)
      ::RestoreDC(dc_, state_);
  }
  ScopedSaveDC(const ScopedSaveDC&) = delete;
  ScopedSaveDC& operator=(const ScopedSaveDC&) = delete;

 private:
  HDC dc_;
  int state_;
};

// One paint of a window: BeginPaint when constructed, EndPaint when the scope ends (also by an
// exception), so that the window is validated and its paint DC given back. Get is null when
// BeginPaint failed.
class ScopedPaint {
 public:
  explicit ScopedPaint(HWND window) : window_(window), dc_(::BeginPaint(window, &paint_)) {}
  ~ScopedPaint() {
    if (dc_)
      ::EndPaint(window_, &paint_);
  }
  ScopedPaint(const ScopedPaint&) = delete;
  ScopedPaint& operator=(const ScopedPaint&) = delete;

  HDC Get() const { return dc_; }
  const RECT& Area() const { return paint_.rcPaint; }

 private:
  HWND window_;
  PAINTSTRUCT paint_ = {};
  HDC dc_;
};

}  // namespace base
