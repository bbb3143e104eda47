#pragma once

#include <windows.h>

// The performance counter in seconds, for the benchmark programs' timings.
inline double SecondsNow() {
  LARGE_INTEGER counter, frequency;
  ::QueryPerformanceCounter(&counter);
  ::QueryPerformanceFrequency(&frequency);
  return static_cast<double>(counter.QuadPart) / static_cast<double>(frequency.QuadPart);
}
