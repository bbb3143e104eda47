#pragma once

#include <windows.h>

#include <cstdint>
#include <map>
#include <string>
#include <string_view>

#include "ui/render/font_info.h"

namespace ui {

// Fonts by id, in the order of their ids. Owns the fonts: replacing or removing an entry
// deletes its font.
class FontTable {
 public:
  FontInfo* Find(int id);
  FontInfo* FindByHandle(HFONT font);
  // The first entry with exactly this face (case-sensitive), size and styles.
  const FontInfo* FindMatch(std::wstring_view faceName,
                            int size,
                            bool bold,
                            bool underline,
                            bool italic) const;
  // Stores info under id; a font already stored under id is deleted first.
  FontInfo& Insert(int id, FontInfo info);
  void Clear() { fonts_.clear(); }
  template <typename Visit>
  void ForEach(Visit&& visit) {
    for (auto& [id, info] : fonts_)
      visit(info);
  }
  size_t size() const { return fonts_.size(); }

 private:
  std::map<int, FontInfo> fonts_;
};

// The colours, fonts, default attribute lists and language texts of one window, or of the whole
// process (the shared set). Lookups try the window's set first and the shared one second. The
// images of both sets are kept by the image cache.
struct ResourceInfo {
  uint32_t disabledTextColor = 0xFFA7A6AA;
  uint32_t textColor = 0xFF000000;
  uint32_t linkColor = 0xFF0000FF;
  uint32_t linkHoverColor = 0xFFD3215F;
  uint32_t selectedBackColor = 0xFFBAE4FF;
  // An empty face name means "none": a window without a default font of its own uses the
  // shared one.
  FontInfo defaultFont;
  FontTable fonts;
  std::map<std::wstring, std::wstring, std::less<>> defaultAttributeLists;
  // Only the shared set's texts are used.
  std::map<int, std::wstring> languageTexts;
};

}  // namespace ui
