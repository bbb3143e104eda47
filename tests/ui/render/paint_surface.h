#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>

#include "ui/render/image_record.h"

// Drawing targets and images for the render tests: pixels are compared one by one, never as a
// whole-image snapshot, since text rasterising differs between machines.
namespace ui::testing_support {

// A 32-bit top-down DIB section selected into a memory DC, filled with one colour.
class PaintSurface {
 public:
  PaintSurface(int width, int height, uint32_t background = 0xFFFFFF);
  ~PaintSurface();
  PaintSurface(const PaintSurface&) = delete;
  PaintSurface& operator=(const PaintSurface&) = delete;

  HDC dc() const { return dc_; }
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
  HDC dc_ = nullptr;
  HBITMAP bitmap_ = nullptr;
  HGDIOBJ previous_ = nullptr;
  uint32_t* pixels_ = nullptr;
};

// An image record whose pixel (x, y) is argb(x, y) (0xAARRGGBB, not premultiplied), loaded as
// the image loader loads one.
ImageRecordPtr MakeImage(int width, int height, const std::function<uint32_t(int, int)>& argb);

}  // namespace ui::testing_support
