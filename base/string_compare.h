#pragma once

#include <cwctype>
#include <string_view>

namespace base {

// Equal when the texts differ at most in the case of their letters.
inline bool EqualsIgnoringCase(std::wstring_view a, std::wstring_view b) {
  if (a.size() != b.size())
    return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (std::towlower(a[i]) != std::towlower(b[i]))
      return false;
  }
  return true;
}

}  // namespace base
