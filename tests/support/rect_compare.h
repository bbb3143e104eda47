#pragma once

#include <windows.h>

#include <ostream>

// Comparison and printing of rectangles for test expectations: EXPECT_EQ((RECT{0, 0, 4, 4}), r).
inline bool operator==(const RECT& a, const RECT& b) {
  return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

inline void PrintTo(const RECT& r, std::ostream* os) {
  *os << "(" << r.left << "," << r.top << " " << r.right << "," << r.bottom << ")";
}
