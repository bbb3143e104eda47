#include "ui/render/display_scale.h"

#include <algorithm>
#include <cstdint>

namespace ui {

int DisplayScale::MulDivRounded(int value, int numerator, int denominator) {
  // 64-bit products: a skin's "no limit" sizes times a large DPI stay exact.
  const int64_t product = static_cast<int64_t>(value) * numerator;
  const int64_t half = denominator / 2;
  const int64_t rounded =
      product >= 0 ? (product + half) / denominator : -((-product + half) / denominator);
  return static_cast<int>(rounded);
}

RECT DisplayScale::Rect(const SkinRect& rect) const {
  const RECT& r = rect.Unscaled();
  return {Length(SkinLength(r.left)), Length(SkinLength(r.top)), Length(SkinLength(r.right)),
          Length(SkinLength(r.bottom))};
}

int DisplayScale::Border(SkinLength width) const {
  if (width.Unscaled() <= 0)
    return width.Unscaled();
  return std::max(1, Length(width));
}

RECT DisplayScale::BorderWidths(const SkinRect& widths) const {
  const RECT& w = widths.Unscaled();
  return {Border(SkinLength(w.left)), Border(SkinLength(w.top)), Border(SkinLength(w.right)),
          Border(SkinLength(w.bottom))};
}

}  // namespace ui
