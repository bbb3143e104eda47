#include "ui/render/image_cache.h"

#include <cstring>
#include <cwchar>
#include <cwctype>

#include "ui/render/color_shift.h"
#include "ui/render/image_loader.h"

namespace ui {

ImageCache& ImageCache::Shared() {
  static ImageCache shared;
  return shared;
}

ImageRecord* ImageCache::Find(const std::wstring& name) const {
  auto found = images_.find(name);
  return found == images_.end() ? nullptr : found->second.get();
}

ImageRecord* ImageCache::Insert(const std::wstring& name, ImageRecordPtr record) {
  ImageRecordPtr& slot = images_[name];
  slot = std::move(record);
  return slot.get();
}

ImageRecordPtr LoadCacheImage(const std::wstring& name,
                              const wchar_t* type,
                              uint32_t mask,
                              bool followsShift,
                              const ImageBytesReader& readBytes) {
  if (name.empty())
    return nullptr;
  bool hasType = type && *type;
  ImageRecordPtr record;
  // A colour is always text, even when its hexadecimal digits start with a decimal one.
  bool isColor = hasType && std::wcscmp(type, kColorImageType) == 0;
  if (hasType && !isColor && std::iswdigit(name[0])) {
    unsigned long identifier = std::wcstoul(name.c_str(), nullptr, 10);
    record = LoadImage(MAKEINTRESOURCEW(identifier & 0xFFFF), type, mask, readBytes);
  } else {
    record = LoadImage(name.c_str(), hasType ? type : nullptr, mask, readBytes);
  }
  if (!record)
    return nullptr;
  record->followsShift = followsShift;
  if (hasType)
    record->resourceType = type;
  record->mask = mask;
  if (followsShift) {
    size_t count = static_cast<size_t>(record->width) * record->height;
    record->unshiftedPixels = std::make_unique<uint32_t[]>(count);
    std::memcpy(record->unshiftedPixels.get(), record->pixels, count * sizeof(uint32_t));
  }
  const ColorShift& shift = ProcessColorShift();
  if (shift.inUse)
    ShiftImageColors(record.get(), shift.hue, shift.saturation, shift.lightness);
  return record;
}

}  // namespace ui
