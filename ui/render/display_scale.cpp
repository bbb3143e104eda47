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

RECT DisplayScale::Rect(const RECT& rect) const {
  return {Length(rect.left), Length(rect.top), Length(rect.right), Length(rect.bottom)};
}

int DisplayScale::Border(int width) const {
  if (width <= 0)
    return width;
  return std::max(1, Length(width));
}

}  // namespace ui
