#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>

#include "base/scoped_gdi.h"
#include "ui/render/display_scale.h"

namespace ui {

// A decoded skin image: a top-down 32-bit bitmap section whose pixels are B, G, R, A bytes with
// the colour channels premultiplied by alpha. The cache that holds a record owns it; the record
// owns the bitmap and the unshifted copy.
struct ImageRecord {
  base::ScopedBitmap bitmap;
  uint32_t* pixels = nullptr;                   // the bitmap's own memory
  std::unique_ptr<uint32_t[]> unshiftedPixels;  // kept only for images that follow the shift
  // The bitmap's own size in pixels, at dpi: the skin's size times dpi / 96.
  int width = 0;
  int height = 0;
  // The DPI the pixels were made for.
  int dpi = 96;
  // Resampled from a variant drawn for another DPI: each pixel mixes its neighbours, also those
  // across the line between two cells of a sprite.
  bool resampled = false;
  bool hasAlpha = false;
  bool followsShift = false;
  std::wstring resourceType;
  uint32_t mask = 0;
};

// The size of an image in the skin's 96-DPI units.
inline SkinSize ImageSkinSize(const ImageRecord& record) {
  const DisplayScale scale(record.dpi);
  return MakeSkinSize(scale.ToSkin(record.width), scale.ToSkin(record.height));
}

using ImageRecordPtr = std::unique_ptr<ImageRecord>;

}  // namespace ui
