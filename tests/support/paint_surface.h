#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>

#include "base/scoped_gdi.h"
#include "ui/render/image_record.h"

// Drawing targets and images for the render tests: pixels are compared one by one, never as a
// whole-image snapshot, since text rasterising differs between machines.
namespace ui::testing_support {

// A 32-bit top-down DIB section selected into a memory DC, filled with one colour.
class PaintSurface {
 public:
  PaintSurface(int width, int height, uint32_t background = 0xFFFFFF);
  PaintSurface(const PaintSurface&) = delete;
  PaintSurface& operator=(const PaintSurface&) = delete;

  HDC dc() const { return dc_.Get(); }
  int width() const { return width_; }
  int height() const { return height_; }
  void Fill(uint32_t color);
  // 0xRRGGBB of a pixel; the alpha byte that GDI leaves behind is masked off.
  uint32_t Pixel(int x, int y) const;
  // How many pixels of area satisfy test.
  int Count(const RECT& area, const std::function<bool(uint32_t)>& test) const;
  // True when every pixel of area is color.
  bool IsAll(const RECT& area, uint32_t color) const;

 private:
  int width_;
  int height_;
  uint32_t* pixels_ = nullptr;
  base::ScopedMemoryDC dc_;
  base::ScopedBitmap bitmap_;
  base::ScopedSelectObject select_;
};

// An image record whose pixel (x, y) is argb(x, y) (0xAARRGGBB, not premultiplied), loaded as
// the image loader loads one.
ImageRecordPtr MakeImage(int width, int height, const std::function<uint32_t(int, int)>& argb);

}  // namespace ui::testing_support
