#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>

#include "base/scoped_gdi.h"

namespace ui {

// A decoded skin image: a top-down 32-bit bitmap section whose pixels are B, G, R, A bytes with
// the colour channels premultiplied by alpha. The cache that holds a record owns it; the record
// owns the bitmap and the unshifted copy.
struct ImageRecord {
  base::ScopedBitmap bitmap;
  uint32_t* pixels = nullptr;                   // the bitmap's own memory
  std::unique_ptr<uint32_t[]> unshiftedPixels;  // kept only for images that follow the shift
  int width = 0;
  int height = 0;
  bool hasAlpha = false;
  bool followsShift = false;
  std::wstring resourceType;
  uint32_t mask = 0;
};

using ImageRecordPtr = std::unique_ptr<ImageRecord>;

}  // namespace ui
