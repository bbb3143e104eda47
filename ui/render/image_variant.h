#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace ui {

// The DPI that each image variant of a skin is drawn for: "name.png" at 96, "name@1.5x.png" at
// 144 and "name@2x.png" at 192.
inline constexpr int kImageVariantDpis[] = {96, 144, 192};

// The file name of the variant of name drawn for variantDpi: the suffix goes before the
// extension ("img/a.png" → "img/a@2x.png"); the base name for 96 or an unknown DPI.
std::wstring ImageVariantName(std::wstring_view name, int variantDpi);

// Of the variants at hand (their DPIs, in any order), the one to draw at dpi: the smallest at or
// above it, else the largest. 0 when none is at hand.
int ChooseImageVariant(const std::vector<int>& availableDpis, int dpi);

}  // namespace ui
