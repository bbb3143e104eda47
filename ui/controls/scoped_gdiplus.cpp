#include "ui/controls/scoped_gdiplus.h"

#include <objidl.h>

#include <gdiplus.h>

namespace ui {

ScopedGdiplus::ScopedGdiplus() {
  Gdiplus::GdiplusStartupInput input;
  if (Gdiplus::GdiplusStartup(&token_, &input, nullptr) != Gdiplus::Ok)
    token_ = 0;
}

ScopedGdiplus::~ScopedGdiplus() {
  if (token_ != 0)
    Gdiplus::GdiplusShutdown(token_);
}

}  // namespace ui
