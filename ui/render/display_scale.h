#pragma once

#include <windows.h>

#include "ui/render/skin_units.h"

namespace ui {

// The display scale of a window: skins are written in 96-DPI units and a window at another DPI
// multiplies them by DPI / 96. It is the one way between skin units (skin_units.h) and the
// window's pixels. Each edge of a rectangle is rounded on its own, so rectangles that touch in
// skin units still touch on the screen. Rounding is half away from zero, in integers.
class DisplayScale {
 public:
  static constexpr int kBaseDpi = 96;

  DisplayScale() = default;
  // A DPI below 1 stands for the base DPI.
  explicit DisplayScale(int dpi) : dpi_(dpi > 0 ? dpi : kBaseDpi) {}

  int Dpi() const { return dpi_; }

  // round(value · s): lengths of every kind, a font's pixel size among them.
  int Length(SkinLength value) const { return MulDivRounded(value.Unscaled(), dpi_, kBaseDpi); }
  // Each edge scaled: right' = round(right · s), never round(left · s) + round(width · s).
  RECT Rect(const SkinRect& rect) const;
  SIZE Size(const SkinSize& size) const {
    return {Length(SkinLength(size.Unscaled().cx)), Length(SkinLength(size.Unscaled().cy))};
  }
  // A line width, which never thins to nothing: max(1, round(w · s)) for a positive width.
  int Border(SkinLength width) const;
  // The line width of each edge, as Border scales it.
  RECT BorderWidths(const SkinRect& widths) const;
  // From the window's pixels back to skin units: round(value / s).
  SkinLength ToSkin(int pixels) const { return SkinLength(MulDivRounded(pixels, kBaseDpi, dpi_)); }

  bool operator==(const DisplayScale& other) const { return dpi_ == other.dpi_; }
  bool operator!=(const DisplayScale& other) const { return dpi_ != other.dpi_; }

 private:
  static int MulDivRounded(int value, int numerator, int denominator);

  int dpi_ = kBaseDpi;
};

}  // namespace ui
