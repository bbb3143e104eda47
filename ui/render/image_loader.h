#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "ui/render/image_record.h"

namespace ui {

// Images wider or taller than this are refused: the bitmap arithmetic stays far from overflow
// and a hostile skin cannot make the loader allocate gigabytes.
constexpr int kMaxImageSide = 16384;

// The resource type that makes LoadImage read the name as a colour instead of reading bytes.
constexpr wchar_t kColorImageType[] = L"*COLOR*";

// Whether a name asked of an ImageBytesReader is the one the skin gave, or a variant made from it
// for a scale ("name@2x.png"), which only the skin itself may supply.
enum class ImageName { Given, Variant };

// Where image bytes come from: given the name (an integer resource identifier, MAKEINTRESOURCE,
// when a type is given), the type (null for none) and the kind of name, the whole encoded image;
// empty when it cannot be had. The window's owner supplies it (for the skin, ReadSkinImage).
using ImageBytesReader =
    std::function<std::vector<uint8_t>(const wchar_t* name, const wchar_t* type, ImageName kind)>;

// Loads an image into a premultiplied 32-bit bitmap. `source` is a resource name, or an integer
// resource identifier (MAKEINTRESOURCE) when `type` is given, whose bytes readBytes supplies;
// type "*COLOR*" reads nothing and makes a 1×1 image of the hexadecimal colour 0xAARRGGBB in
// the name ("#" optional). Pixels equal to `mask` after premultiplication become fully
// transparent. Null when the bytes cannot be read or decoded, the image is too large, or the
// bitmap cannot be created.
ImageRecordPtr LoadImage(const wchar_t* source,
                         const wchar_t* type,
                         uint32_t mask,
                         const ImageBytesReader& readBytes);

// A copy of record's pixels resized to width × height with ResamplePixels; its DPI, colour key
// and type are taken over. Null when the bitmap cannot be created or a size is not positive.
ImageRecordPtr ResampleImage(const ImageRecord& record, int width, int height);
// Decodes image bytes (any format stb_image reads) into a record; null on failure.
ImageRecordPtr DecodeImage(const uint8_t* bytes, size_t size, uint32_t mask);

// Copies count RGBA pixels into premultiplied B, G, R, A pixels (0xAARRGGBB as little-endian
// words), turning pixels equal to mask into 0. Returns whether any pixel is not fully opaque.
bool PremultiplyPixels(const uint8_t* rgba, size_t count, uint32_t mask, uint32_t* out);

// The colour shift of images that follow the window-wide "hsl" shift: with the neutral values
// (180, 100, 100) the unshifted pixels come back unchanged.
void ShiftImageColors(ImageRecord* record, int hue, int saturation, int lightness);

}  // namespace ui
