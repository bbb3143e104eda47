#include "tests/support/paint_surface.h"

#include <vector>

#include "ui/render/gdi_helpers.h"
#include "ui/render/image_loader.h"

namespace ui::testing_support {

PaintSurface::PaintSurface(int width, int height, uint32_t background)
    : width_(width),
      height_(height),
      dc_(::CreateCompatibleDC(nullptr)),
      bitmap_(CreateDibSection(width, height, &pixels_)),
      select_(dc_.Get(), bitmap_.Get()) {
  Fill(background);
}

void PaintSurface::Fill(uint32_t color) {
  if (!pixels_)
    return;
  ::GdiFlush();
  for (int i = 0; i < width_ * height_; ++i)
    pixels_[i] = 0xFF000000 | color;
}

uint32_t PaintSurface::Pixel(int x, int y) const {
  ::GdiFlush();
  if (!pixels_ || x < 0 || y < 0 || x >= width_ || y >= height_)
    return 0xDEADBEEF;
  return pixels_[y * width_ + x] & 0xFFFFFF;
}

int PaintSurface::Count(const RECT& area, const std::function<bool(uint32_t)>& test) const {
  int count = 0;
  for (int y = area.top; y < area.bottom; ++y) {
    for (int x = area.left; x < area.right; ++x)
      count += test(Pixel(x, y)) ? 1 : 0;
  }
  return count;
}

bool PaintSurface::IsAll(const RECT& area, uint32_t color) const {
  return Count(area, [&](uint32_t pixel) { return pixel != color; }) == 0;
}

ImageRecordPtr MakeImage(int width, int height, const std::function<uint32_t(int, int)>& argb) {
  std::vector<uint8_t> rgba;
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const uint32_t color = argb(x, y);
      rgba.insert(rgba.end(), {static_cast<uint8_t>(color >> 16), static_cast<uint8_t>(color >> 8),
                               static_cast<uint8_t>(color), static_cast<uint8_t>(color >> 24)});
    }
  }
  auto record = std::make_unique<ImageRecord>();
  record->bitmap = CreateDibSection(width, height, &record->pixels);
  record->width = width;
  record->height = height;
  record->hasAlpha =
      PremultiplyPixels(rgba.data(), static_cast<size_t>(width) * height, 0, record->pixels);
  return record;
}

}  // namespace ui::testing_support
