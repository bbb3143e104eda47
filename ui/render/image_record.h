#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

namespace ui {

// A decoded skin image: a 32-bit premultiplied bitmap owned by the image cache that holds it.
struct ImageRecord {
  HBITMAP bitmap = nullptr;
  uint32_t* pixels = nullptr;
  uint32_t* unshiftedPixels = nullptr;
  int width = 0;
  int height = 0;
  bool hasAlpha = false;
  bool followsShift = false;
  std::wstring resourceType;
  uint32_t mask = 0;
};

}  // namespace ui
