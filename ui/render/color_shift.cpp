#include "ui/render/color_shift.h"

#include <algorithm>
#include <cmath>

namespace ui {

namespace {

float HueToChannel(float p, float q, float t) {
  if (t < 0)
    t += 1;
  if (t > 1)
    t -= 1;
  if (t < 1.0f / 6)
    return p + (q - p) * 6 * t;
  if (t < 0.5f)
    return q;
  if (t < 2.0f / 3)
    return p + (q - p) * (2.0f / 3 - t) * 6;
  return p;
}

uint32_t ToByte(float channel) {
  return static_cast<uint32_t>(std::clamp(channel * 255.0f + 0.5f, 0.0f, 255.0f));
}

}  // namespace

ColorShift& ProcessColorShift() {
  static ColorShift shift;
  return shift;
}

uint32_t ApplyHsl(uint32_t color, int hue, int saturation, int lightness) {
  if (hue == 180 && saturation == 100 && lightness == 100)
    return color;
  float r = ((color >> 16) & 0xFF) / 255.0f;
  float g = ((color >> 8) & 0xFF) / 255.0f;
  float b = (color & 0xFF) / 255.0f;
  float high = std::max({r, g, b}), low = std::min({r, g, b});
  float l = (high + low) / 2, h = 0, s = 0;
  if (high != low) {
    float range = high - low;
    s = l <= 0.5f ? range / (high + low) : range / (2 - high - low);
    if (high == r)
      h = (g - b) / range + (g < b ? 6 : 0);
    else if (high == g)
      h = (b - r) / range + 2;
    else
      h = (r - g) / range + 4;
    h *= 60;
  }
  h += static_cast<float>(hue - 180);
  if (h <= 0)
    h += 360;
  h = std::fmod(h, 360.0f);
  s = std::min(1.0f, s * saturation / 100);
  l = std::min(1.0f, l * lightness / 100);

  float outR = l, outG = l, outB = l;
  if (s > 0) {
    float q = l < 0.5f ? l * (1 + s) : l + s - l * s;
    float p = 2 * l - q;
    float t = h / 360;
    outR = HueToChannel(p, q, t + 1.0f / 3);
    outG = HueToChannel(p, q, t);
    outB = HueToChannel(p, q, t - 1.0f / 3);
  }
  return (color & 0xFF000000) | (ToByte(outR) << 16) | (ToByte(outG) << 8) | ToByte(outB);
}

}  // namespace ui
