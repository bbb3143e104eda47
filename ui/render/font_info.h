#pragma once

#include <windows.h>

#include <string>

namespace ui {

// A font of a window or of the process: handle, description and (once measured) metrics.
// The table that holds the record owns the handle.
struct FontInfo {
  HFONT font = nullptr;
  std::wstring faceName;
  int size = 0;
  bool bold = false;
  bool underline = false;
  bool italic = false;
  TEXTMETRICW metrics = {};
};

}  // namespace ui
