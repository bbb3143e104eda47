#pragma once

#include <windows.h>

namespace ui {

// A length, size or rectangle in the skin's 96-DPI units, as the markup writes it. The window's
// pixels are the platform's own int, SIZE and RECT, and only a DisplayScale turns skin units into
// pixels (display_scale.h): a skin value cannot be laid out or drawn as if it were pixels, nor
// pixels be stored where the skin's values go, without the compiler saying so.
template <typename Value>
class SkinUnits {
 public:
  constexpr SkinUnits() = default;
  constexpr explicit SkinUnits(const Value& value) : value_(value) {}

  // The number as the skin writes it: for parsing, for sums within skin units, for tests.
  constexpr const Value& Unscaled() const { return value_; }

 private:
  Value value_{};
};

using SkinLength = SkinUnits<int>;
using SkinSize = SkinUnits<SIZE>;
using SkinRect = SkinUnits<RECT>;

// Lengths in skin units add, subtract and compare among themselves.
constexpr SkinLength operator+(SkinLength a, SkinLength b) {
  return SkinLength(a.Unscaled() + b.Unscaled());
}
constexpr SkinLength operator-(SkinLength a, SkinLength b) {
  return SkinLength(a.Unscaled() - b.Unscaled());
}
constexpr bool operator==(SkinLength a, SkinLength b) {
  return a.Unscaled() == b.Unscaled();
}
constexpr bool operator<(SkinLength a, SkinLength b) {
  return a.Unscaled() < b.Unscaled();
}
constexpr bool operator>(SkinLength a, SkinLength b) {
  return b < a;
}
constexpr bool operator<=(SkinLength a, SkinLength b) {
  return !(b < a);
}
constexpr bool operator>=(SkinLength a, SkinLength b) {
  return !(a < b);
}

// A size put together from two lengths in skin units.
constexpr SkinSize MakeSkinSize(SkinLength width, SkinLength height) {
  return SkinSize(SIZE{width.Unscaled(), height.Unscaled()});
}

}  // namespace ui
