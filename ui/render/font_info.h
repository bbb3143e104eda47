#pragma once

#include <windows.h>

#include <string>

#include "base/scoped_gdi.h"

namespace ui {

// A font of a window or of the process: handle, description and (once measured) metrics. The
// record owns the font; it can be moved, not copied.
struct FontInfo {
  base::ScopedFont font;
  std::wstring faceName;
  int size = 0;
  bool bold = false;
  bool underline = false;
  bool italic = false;
  // The DPI the skin font was made for (its size stays in 96-DPI units); 0 for the system's
  // default font, which is never rescaled.
  int dpi = 0;
  TEXTMETRICW metrics = {};
};

}  // namespace ui
