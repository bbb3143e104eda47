#include "ui/render/image_variant.h"

#include <algorithm>

namespace ui {

std::wstring ImageVariantName(std::wstring_view name, int variantDpi) {
  const wchar_t* suffix = nullptr;
  if (variantDpi == 144)
    suffix = L"@1.5x";
  else if (variantDpi == 192)
    suffix = L"@2x";
  if (!suffix)
    return std::wstring(name);
  // The extension is the part after the last dot of the last path element.
  const size_t slash = name.find_last_of(L"/\\");
  const size_t dot = name.rfind(L'.');
  const bool hasExtension =
      dot != std::wstring_view::npos && (slash == std::wstring_view::npos || dot > slash);
  const size_t at = hasExtension ? dot : name.size();
  std::wstring result(name.substr(0, at));
  result += suffix;
  result += name.substr(at);
  return result;
}

int ChooseImageVariant(const std::vector<int>& availableDpis, int dpi) {
  int atOrAbove = 0;
  int largest = 0;
  for (int available : availableDpis) {
    largest = std::max(largest, available);
    if (available >= dpi && (atOrAbove == 0 || available < atOrAbove))
      atOrAbove = available;
  }
  return atOrAbove != 0 ? atOrAbove : largest;
}

}  // namespace ui
