#pragma once

#include <windows.h>

#include <initializer_list>
#include <ostream>
#include <utility>

// Comparison and printing of rectangles for the layout expectations.
inline bool operator==(const RECT& a, const RECT& b) {
  return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

inline void PrintTo(const RECT& r, std::ostream* os) {
  *os << "(" << r.left << "," << r.top << " " << r.right << "," << r.bottom << ")";
}

namespace ui::testing_support {

using Attributes = std::initializer_list<std::pair<const wchar_t*, const wchar_t*>>;

// Creates a control of type T and gives it the attributes in order, as the skin builder would.
template <typename T>
T* Make(Attributes attributes = {}) {
  T* control = new T;
  for (const auto& [name, value] : attributes)
    control->SetAttribute(name, value);
  return control;
}

}  // namespace ui::testing_support
