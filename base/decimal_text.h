#pragma once

#include <cstdint>
#include <string>

namespace base {

// The value in decimal digits, "-" first when negative. Written by hand: std::to_wstring goes
// through the wide printf family, a second formatter of several kilobytes in the program.
std::wstring DecimalText(int64_t value);

}  // namespace base
