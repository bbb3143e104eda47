#pragma once

#include <windows.h>

#include <algorithm>

// Rectangle arithmetic, free of platform calls: empty when right <= left or bottom <= top.
namespace base {

inline bool IsRectEmpty(const RECT& r) {
  return r.right <= r.left || r.bottom <= r.top;
}

// The common part of a and b; false (and an all-zero result) when they do not meet.
inline bool IntersectRects(const RECT& a, const RECT& b, RECT& result) {
  result = {std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
            std::min(a.bottom, b.bottom)};
  if (IsRectEmpty(result)) {
    result = {0, 0, 0, 0};
    return false;
  }
  return true;
}

inline bool RectsMeet(const RECT& a, const RECT& b) {
  RECT common;
  return IntersectRects(a, b, common);
}

// The smallest rectangle holding both; an empty rectangle adds nothing.
inline RECT UnionRects(const RECT& a, const RECT& b) {
  if (IsRectEmpty(a))
    return b;
  if (IsRectEmpty(b))
    return a;
  return {std::min(a.left, b.left), std::min(a.top, b.top), std::max(a.right, b.right),
          std::max(a.bottom, b.bottom)};
}

inline bool RectContains(const RECT& r, POINT p) {
  return p.x >= r.left && p.x < r.right && p.y >= r.top && p.y < r.bottom;
}

inline RECT OffsetRectBy(const RECT& r, int dx, int dy) {
  return {r.left + dx, r.top + dy, r.right + dx, r.bottom + dy};
}

inline bool EqualRects(const RECT& a, const RECT& b) {
  return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

}  // namespace base
