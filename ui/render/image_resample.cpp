#include "ui/render/image_resample.h"

#include <algorithm>
#include <cmath>

namespace ui {

namespace {

// The source pixels and weights that make up one output pixel along an axis.
struct Taps {
  int first = 0;
  std::vector<float> weights;
};

std::vector<Taps> AxisTaps(int from, int to) {
  std::vector<Taps> all(to);
  const double ratio = static_cast<double>(from) / to;
  const double radius = std::max(1.0, ratio);
  for (int i = 0; i < to; ++i) {
    const double center = (i + 0.5) * ratio - 0.5;
    const int first = std::max(0, static_cast<int>(std::floor(center - radius)) + 1);
    const int last = std::min(from - 1, static_cast<int>(std::ceil(center + radius)) - 1);
    Taps& taps = all[i];
    taps.first = first;
    double total = 0;
    for (int j = first; j <= last; ++j) {
      const double weight = std::max(0.0, 1.0 - std::fabs(j - center) / radius);
      taps.weights.push_back(static_cast<float>(weight));
      total += weight;
    }
    if (total <= 0) {
      // Only at the very edge of a one-pixel source: take the nearest pixel.
      taps.first = std::clamp(static_cast<int>(std::lround(center)), 0, from - 1);
      taps.weights.assign(1, 1.0f);
      continue;
    }
    for (float& weight : taps.weights)
      weight = static_cast<float>(weight / total);
  }
  return all;
}

uint8_t Channel(uint32_t pixel, int shift) {
  return static_cast<uint8_t>(pixel >> shift);
}

}  // namespace

RECT InsetCellEdges(const RECT& source, int width, int height) {
  RECT inner = source;
  if (source.right - source.left > 2) {
    inner.left += source.left > 0 ? 1 : 0;
    inner.right -= source.right < width ? 1 : 0;
  }
  if (source.bottom - source.top > 2) {
    inner.top += source.top > 0 ? 1 : 0;
    inner.bottom -= source.bottom < height ? 1 : 0;
  }
  return inner;
}

std::vector<uint32_t> ResamplePixels(const uint32_t* pixels,
                                     int width,
                                     int height,
                                     int newWidth,
                                     int newHeight) {
  if (!pixels || width <= 0 || height <= 0 || newWidth <= 0 || newHeight <= 0)
    return {};
  const std::vector<Taps> across = AxisTaps(width, newWidth);
  const std::vector<Taps> down = AxisTaps(height, newHeight);
  constexpr int kShifts[4] = {0, 8, 16, 24};

  // Rows first, into floats so that the second pass rounds only once.
  std::vector<float> rows(static_cast<size_t>(newWidth) * height * 4);
  for (int y = 0; y < height; ++y) {
    const uint32_t* row = pixels + static_cast<size_t>(y) * width;
    for (int x = 0; x < newWidth; ++x) {
      const Taps& taps = across[x];
      float* out = &rows[(static_cast<size_t>(y) * newWidth + x) * 4];
      for (size_t k = 0; k < taps.weights.size(); ++k) {
        const uint32_t pixel = row[taps.first + k];
        for (int c = 0; c < 4; ++c)
          out[c] += taps.weights[k] * Channel(pixel, kShifts[c]);
      }
    }
  }
  std::vector<uint32_t> result(static_cast<size_t>(newWidth) * newHeight);
  for (int y = 0; y < newHeight; ++y) {
    const Taps& taps = down[y];
    for (int x = 0; x < newWidth; ++x) {
      float sum[4] = {0, 0, 0, 0};
      for (size_t k = 0; k < taps.weights.size(); ++k) {
        const float* in = &rows[((taps.first + k) * newWidth + x) * 4];
        for (int c = 0; c < 4; ++c)
          sum[c] += taps.weights[k] * in[c];
      }
      uint32_t pixel = 0;
      const int alpha = std::clamp(static_cast<int>(std::lround(sum[3])), 0, 255);
      for (int c = 0; c < 4; ++c) {
        // Premultiplied colour never exceeds its alpha.
        const int value =
            std::clamp(static_cast<int>(std::lround(sum[c])), 0, c == 3 ? 255 : alpha);
        pixel |= static_cast<uint32_t>(value) << kShifts[c];
      }
      result[static_cast<size_t>(y) * newWidth + x] = pixel;
    }
  }
  return result;
}

}  // namespace ui
