#pragma once

#include <windows.h>

#include <cstdint>

namespace ui {

// Keeps the GDI+ library started for as long as the owner lives. Starting can fail; IsStarted
// then answers false and nothing may be drawn with GDI+.
class ScopedGdiplus {
 public:
  ScopedGdiplus();
  ~ScopedGdiplus();
  ScopedGdiplus(const ScopedGdiplus&) = delete;
  ScopedGdiplus& operator=(const ScopedGdiplus&) = delete;

  bool IsStarted() const { return token_ != 0; }

 private:
  ULONG_PTR token_ = 0;
};

}  // namespace ui
