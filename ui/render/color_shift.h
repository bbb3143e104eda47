#pragma once

#include <cstdint>

namespace ui {

// The process-wide hue/saturation/lightness shift. Nothing changes it: it stays neutral, so
// images and colours are drawn as loaded.
struct ColorShift {
  int hue = 180;
  int saturation = 100;
  int lightness = 100;
  bool inUse = false;
};
ColorShift& ProcessColorShift();

// Shifts the colour 0xAARRGGBB in HSL space: hue 0-360 with 180 neutral, saturation and lightness
// in percent with 100 neutral. The alpha byte is kept.
uint32_t ApplyHsl(uint32_t color, int hue, int saturation, int lightness);

}  // namespace ui
