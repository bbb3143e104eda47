#pragma once

#include <windows.h>

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

// The part of source (a cell of a resampled sprite of width × height pixels) to draw: each edge
// that borders another cell moves in by one pixel, whose colour the filter mixed with that
// neighbour's; the edges of the image stay. A cell too small to lose a pixel stays as it is.
RECT InsetCellEdges(const RECT& source, int width, int height);

}  // namespace ui
