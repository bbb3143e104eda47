#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <string_view>

namespace ui {

// Where the image of a description comes from; decides the resource type given to the cache.
enum class ImageSourceKind {
  WholeText,  // no "file", "res" or "color" item: the whole description is the name
  File,       // "file": a skin file, no resource type
  Resource,   // "res": a program resource of type resourceType
  Color,      // "color": a 1x1 image of that colour
};

// What an image attribute says, before the image is looked up.
struct ImageDescription {
  std::wstring name;
  ImageSourceKind kind = ImageSourceKind::WholeText;
  std::wstring resourceType;  // the "restype" value, used only with "res"
  RECT dest = {0, 0, 0, 0};
  RECT source = {0, 0, 0, 0};
  RECT corner = {0, 0, 0, 0};
  uint32_t mask = 0;
  uint8_t fade = 255;
  bool hole = false;
  bool tileX = false;
  bool tileY = false;
  bool followsShift = false;

  // The type to look the image up with: the "restype" value for "res", "*COLOR*" for "color",
  // null otherwise (also for "res" without "restype").
  const wchar_t* LookupType() const;
};

// Parses an image description: either a bare image name ("edit.png") or items key='value'.
// Items are separated by blanks of which the first must be a space; anything after an item that
// is not followed by a space (a tab, another item directly after the quote) is not read, nor is
// the rest of an item that lacks "=" or its quotes. Unknown keys and empty values are ignored.
ImageDescription ParseImageDescription(std::wstring_view text);

}  // namespace ui
