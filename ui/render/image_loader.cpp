#include "ui/render/image_loader.h"

#include <algorithm>
#include <cwchar>
#include <cwctype>
#include <utility>
#include <vector>

#include "ui/render/color_shift.h"
#include "ui/render/gdi_helpers.h"
#include "ui/render/image_resample.h"

#define STBI_NO_STDIO
#define STBI_ONLY_PNG
#define STBI_ONLY_JPEG
#define STBI_ONLY_BMP
#define STBI_ONLY_GIF
#define STB_IMAGE_STATIC
#define STB_IMAGE_IMPLEMENTATION
#include <stb_image.h>

namespace ui {

namespace {

struct StbPixelsDeleter {
  void operator()(stbi_uc* pixels) const { stbi_image_free(pixels); }
};

// A top-down 32-bit bitmap section; its pixel memory belongs to the bitmap.
ImageRecordPtr CreateBitmapRecord(int width, int height) {
  uint32_t* bits = nullptr;
  base::ScopedBitmap bitmap = CreateDibSection(width, height, &bits);
  if (!bitmap || !bits)
    return nullptr;
  auto record = std::make_unique<ImageRecord>();
  record->bitmap = std::move(bitmap);
  record->pixels = bits;
  record->width = width;
  record->height = height;
  return record;
}

ImageRecordPtr LoadColorImage(const wchar_t* name, uint32_t mask) {
  if (*name == L'#')
    ++name;
  uint32_t color = static_cast<uint32_t>(std::wcstoul(name, nullptr, 16));
  const uint8_t rgba[4] = {static_cast<uint8_t>(color >> 16), static_cast<uint8_t>(color >> 8),
                           static_cast<uint8_t>(color), static_cast<uint8_t>(color >> 24)};
  ImageRecordPtr record = CreateBitmapRecord(1, 1);
  if (record)
    record->hasAlpha = PremultiplyPixels(rgba, 1, mask, record->pixels);
  return record;
}

}  // namespace

bool PremultiplyPixels(const uint8_t* rgba, size_t count, uint32_t mask, uint32_t* out) {
  bool hasAlpha = false;
  for (size_t i = 0; i < count; ++i, rgba += 4) {
    uint32_t r = rgba[0], g = rgba[1], b = rgba[2], a = rgba[3];
    if (a != 255) {
      r = r * a / 255;
      g = g * a / 255;
      b = b * a / 255;
      hasAlpha = true;
    }
    uint32_t pixel = (a << 24) | (r << 16) | (g << 8) | b;
    if (pixel == mask) {
      pixel = 0;
      hasAlpha = true;
    }
    out[i] = pixel;
  }
  return hasAlpha;
}

ImageRecordPtr DecodeImage(const uint8_t* bytes, size_t size, uint32_t mask) {
  if (!bytes || size == 0 || size > 0x7FFFFFFF)
    return nullptr;
  int length = static_cast<int>(size);
  int width = 0, height = 0, channels = 0;
  // Check the size before decoding, so that a forged header cannot make stb_image allocate.
  if (!stbi_info_from_memory(bytes, length, &width, &height, &channels) || width <= 0 ||
      height <= 0 || width > kMaxImageSide || height > kMaxImageSide) {
    return nullptr;
  }
  std::unique_ptr<stbi_uc, StbPixelsDeleter> rgba(
      stbi_load_from_memory(bytes, length, &width, &height, &channels, 4));
  if (!rgba || width <= 0 || height <= 0 || width > kMaxImageSide || height > kMaxImageSide)
    return nullptr;
  ImageRecordPtr record = CreateBitmapRecord(width, height);
  if (record) {
    record->hasAlpha =
        PremultiplyPixels(rgba.get(), static_cast<size_t>(width) * height, mask, record->pixels);
  }
  return record;
}

ImageRecordPtr ResampleImage(const ImageRecord& record, int width, int height) {
  if (!record.pixels || width <= 0 || height <= 0 || width > kMaxImageSide ||
      height > kMaxImageSide) {
    return nullptr;
  }
  const std::vector<uint32_t> pixels =
      ResamplePixels(record.pixels, record.width, record.height, width, height);
  ImageRecordPtr resized = CreateBitmapRecord(width, height);
  if (!resized || pixels.empty())
    return nullptr;
  std::copy(pixels.begin(), pixels.end(), resized->pixels);
  resized->hasAlpha =
      std::any_of(pixels.begin(), pixels.end(), [](uint32_t pixel) { return pixel < 0xFF000000; });
  resized->dpi = record.dpi;
  resized->mask = record.mask;
  resized->resourceType = record.resourceType;
  return resized;
}

ImageRecordPtr LoadImage(const wchar_t* source,
                         const wchar_t* type,
                         uint32_t mask,
                         const ImageBytesReader& readBytes) {
  if (!source)
    return nullptr;
  bool isIdentifier = IS_INTRESOURCE(source);
  if (type && std::wcscmp(type, kColorImageType) == 0)
    return isIdentifier ? nullptr : LoadColorImage(source, mask);
  if (!readBytes)
    return nullptr;
  const std::vector<uint8_t> bytes = readBytes(source, type, ImageName::Given);
  return DecodeImage(bytes.data(), bytes.size(), mask);
}

void ShiftImageColors(ImageRecord* record, int hue, int saturation, int lightness) {
  if (!record || !record->followsShift || !record->bitmap || !record->pixels ||
      !record->unshiftedPixels) {
    return;
  }
  size_t count = static_cast<size_t>(record->width) * record->height;
  for (size_t i = 0; i < count; ++i) {
    uint32_t original = record->unshiftedPixels[i];
    record->pixels[i] =
        (original & 0xFF000000) | (ApplyHsl(original, hue, saturation, lightness) & 0x00FFFFFF);
  }
}

}  // namespace ui
