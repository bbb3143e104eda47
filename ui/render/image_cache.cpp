#include "ui/render/image_cache.h"

#include <algorithm>
#include <cstring>
#include <cwchar>
#include <cwctype>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

#include "base/decimal_text.h"
#include "ui/render/color_shift.h"
#include "ui/render/image_loader.h"
#include "ui/render/image_variant.h"

namespace ui {

namespace {

// The variant of a skin file drawn nearest above dpi, decoded; its record says which DPI it was
// drawn for. The variants are asked for in the order they would be chosen, so that only the one
// drawn is read and unpacked.
ImageRecordPtr LoadImageVariant(const std::wstring& name,
                                uint32_t mask,
                                const ImageBytesReader& readBytes,
                                int dpi) {
  if (!readBytes)
    return nullptr;
  std::vector<int> untried(std::begin(kImageVariantDpis), std::end(kImageVariantDpis));
  while (!untried.empty()) {
    const int variantDpi = ChooseImageVariant(untried, dpi);
    std::erase(untried, variantDpi);
    const std::vector<uint8_t> bytes =
        variantDpi == DisplayScale::kBaseDpi
            ? readBytes(name.c_str(), nullptr, ImageName::Given)
            : readBytes(ImageVariantName(name, variantDpi).c_str(), nullptr, ImageName::Variant);
    if (bytes.empty())
      continue;
    ImageRecordPtr record = DecodeImage(bytes.data(), bytes.size(), mask);
    if (record)
      record->dpi = variantDpi;
    return record;
  }
  return nullptr;
}

}  // namespace

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

std::wstring ImageCacheKey(const std::wstring& name, int dpi) {
  if (dpi == DisplayScale::kBaseDpi)
    return name;
  // "|" never occurs in a file name, so no image name can look like another at a DPI.
  return name + L"|" + base::DecimalText(dpi);
}

ImageRecordPtr LoadCacheImage(const std::wstring& name,
                              const wchar_t* type,
                              uint32_t mask,
                              bool followsShift,
                              const ImageBytesReader& readBytes,
                              int dpi) {
  if (name.empty())
    return nullptr;
  bool hasType = type && *type;
  ImageRecordPtr record;
  // A colour is always text, even when its hexadecimal digits start with a decimal one.
  bool isColor = hasType && std::wcscmp(type, kColorImageType) == 0;
  if (hasType && !isColor && std::iswdigit(name[0])) {
    unsigned long identifier = std::wcstoul(name.c_str(), nullptr, 10);
    record = LoadImage(MAKEINTRESOURCEW(identifier & 0xFFFF), type, mask, readBytes);
  } else if (!hasType && dpi != DisplayScale::kBaseDpi) {
    record = LoadImageVariant(name, mask, readBytes, dpi);
  } else {
    record = LoadImage(name.c_str(), hasType ? type : nullptr, mask, readBytes);
  }
  if (!record)
    return nullptr;
  if (isColor) {
    // One colour looks the same at every scale.
    record->dpi = dpi;
  } else if (record->dpi != dpi) {
    const SIZE pixels = DisplayScale(dpi).Size(ImageSkinSize(*record));
    ImageRecordPtr resized =
        ResampleImage(*record, std::max<LONG>(1, pixels.cx), std::max<LONG>(1, pixels.cy));
    // Without memory for the copy the image is drawn stretched instead.
    if (resized) {
      resized->dpi = dpi;
      resized->resampled = true;
      record = std::move(resized);
    }
  }
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
