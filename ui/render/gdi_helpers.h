#pragma once

#include <windows.h>

#include <cstdint>

#include "base/scoped_gdi.h"

// Small pieces of colour and bitmap arithmetic shared by the render engine's files.
namespace ui {

// 0xAARRGGBB to the platform's 0x00BBGGRR; the alpha byte is dropped.
inline COLORREF ToColorRef(uint32_t color) {
  return RGB((color >> 16) & 0xFF, (color >> 8) & 0xFF, color & 0xFF);
}

// 0xAARRGGBB with each colour channel multiplied by alpha, as AlphaBlend expects.
inline uint32_t PremultiplyColor(uint32_t color) {
  const uint32_t alpha = color >> 24;
  auto scale = [&](int bit) { return (((color >> bit) & 0xFF) * alpha / 255) << bit; };
  return (alpha << 24) | scale(16) | scale(8) | scale(0);
}

// One pixel of AlphaBlend's source-over: dest·(1 − constant·sourceAlpha/255²) + source·constant/255
// per byte, the source's own alpha counting only when perPixelAlpha is set (its channels are then
// premultiplied).
inline uint32_t BlendPixel(uint32_t dest,
                           uint32_t source,
                           uint8_t constantAlpha,
                           bool perPixelAlpha) {
  const uint32_t sourceAlpha = perPixelAlpha ? source >> 24 : 255;
  const uint32_t keep = 255 * 255 - constantAlpha * sourceAlpha;
  uint32_t result = 0;
  for (int bit = 0; bit < 32; bit += 8) {
    const uint32_t s = (source >> bit) & 0xFF, d = (dest >> bit) & 0xFF;
    uint32_t value = (s * constantAlpha * 255 + d * keep + 255 * 255 / 2) / (255 * 255);
    result |= (value > 255 ? 255 : value) << bit;
  }
  return result;
}

// A top-down 32-bit DIB section; *bits receives its pixel memory, owned by the bitmap. Empty (and
// *bits null) when it cannot be created.
inline base::ScopedBitmap CreateDibSection(int width, int height, uint32_t** bits) {
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* memory = nullptr;
  base::ScopedBitmap bitmap(
      ::CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &memory, nullptr, 0));
  *bits = bitmap ? static_cast<uint32_t*>(memory) : nullptr;
  return bitmap;
}

// Puts the dc's text colour and background mode back when the scope ends.
class ScopedTextState {
 public:
  explicit ScopedTextState(HDC dc)
      : dc_(dc), textColor_(::GetTextColor(dc)), backMode_(::GetBkMode(dc)) {}
  ~ScopedTextState() {
    ::SetTextColor(dc_, textColor_);
    if (backMode_)
      ::SetBkMode(dc_, backMode_);
  }
  ScopedTextState(const ScopedTextState&) = delete;
  ScopedTextState& operator=(const ScopedTextState&) = delete;

 private:
  HDC dc_;
  COLORREF textColor_;
  int backMode_;
};

}  // namespace ui
