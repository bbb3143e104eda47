#include "base/decimal_text.h"

namespace base {

std::wstring DecimalText(int64_t value) {
  wchar_t digits[24];
  wchar_t* start = digits + 24;
  uint64_t magnitude = value < 0 ? 0 - static_cast<uint64_t>(value) : static_cast<uint64_t>(value);
  do {
    *--start = static_cast<wchar_t>(L'0' + magnitude % 10);
    magnitude /= 10;
  } while (magnitude != 0);
  if (value < 0)
    *--start = L'-';
  return std::wstring(start, digits + 24);
}

}  // namespace base
