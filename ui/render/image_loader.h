#pragma once

#include <cstdint>
#include <string>

#include "ui/render/image_record.h"

namespace ui {

// Images wider or taller than this are refused: the bitmap arithmetic stays far from overflow
// and a hostile skin cannot make the loader allocate gigabytes.
constexpr int kMaxImageSide = 16384;

// The resource type that makes LoadImage read the name as a colour instead of reading bytes.
constexpr wchar_t kColorImageType[] = L"*COLOR*";

// Loads a skin image into a premultiplied 32-bit bitmap. `source` is a skin resource name, or an
// integer resource identifier (MAKEINTRESOURCE) when `type` is given; type "*COLOR*" makes a 1×1
// image of the hexadecimal colour 0xAARRGGBB in the name ("#" optional). Pixels equal to `mask`
// after premultiplication become fully transparent. Null when the bytes cannot be read or
// decoded, the image is too large, or the bitmap cannot be created.
ImageRecordPtr LoadImage(const wchar_t* source, const wchar_t* type, uint32_t mask);

// Decodes image bytes (any format stb_image reads) into a record; null on failure.
ImageRecordPtr DecodeImage(const uint8_t* bytes, size_t size, uint32_t mask);

// Copies count RGBA pixels into premultiplied B, G, R, A pixels (0xAARRGGBB as little-endian
// words), turning pixels equal to mask into 0. Returns whether any pixel is not fully opaque.
bool PremultiplyPixels(const uint8_t* rgba, size_t count, uint32_t mask, uint32_t* out);

// The colour shift of images that follow the window-wide "hsl" shift: with the neutral values
// (180, 100, 100) the unshifted pixels come back unchanged.
void ShiftImageColors(ImageRecord* record, int hue, int saturation, int lightness);

}  // namespace ui
