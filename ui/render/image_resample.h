#pragma once

#include <cstdint>
#include <vector>

namespace ui {

// Resizes premultiplied 32-bit pixels (0xAARRGGBB words, rows top down) with a triangle filter
// that widens with the reduction, so that enlarging interpolates and reducing averages every
// source pixel instead of dropping some. Each channel is filtered alike, which is right for
// premultiplied colour. Empty when a size is not positive.
std::vector<uint32_t> ResamplePixels(const uint32_t* pixels,
                                     int width,
                                     int height,
                                     int newWidth,
                                     int newHeight);

}  // namespace ui
