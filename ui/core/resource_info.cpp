#include "ui/core/resource_info.h"

#include <utility>

namespace ui {

FontInfo* FontTable::Find(int id) {
  auto it = fonts_.find(id);
  return it == fonts_.end() ? nullptr : &it->second;
}

FontInfo* FontTable::FindByHandle(HFONT font) {
  for (auto& [id, info] : fonts_) {
    if (info.font.Get() == font)
      return &info;
  }
  return nullptr;
}

const FontInfo* FontTable::FindMatch(std::wstring_view faceName,
                                     int size,
                                     bool bold,
                                     bool underline,
                                     bool italic) const {
  for (const auto& [id, info] : fonts_) {
    if (info.faceName == faceName && info.size == size && info.bold == bold &&
        info.underline == underline && info.italic == italic) {
      return &info;
    }
  }
  return nullptr;
}

FontInfo& FontTable::Insert(int id, FontInfo info) {
  FontInfo& slot = fonts_[id];
  slot = std::move(info);
  return slot;
}

}  // namespace ui
