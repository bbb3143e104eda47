#include "ui/render/image_description.h"

#include "base/attribute_values.h"
#include "ui/render/image_loader.h"

namespace ui {
namespace {

bool IsBlank(wchar_t c) {
  return c <= L' ';
}

void ApplyItem(std::wstring_view key, std::wstring_view value, ImageDescription& description) {
  if (key == L"file") {
    description.name = value;
    description.kind = ImageSourceKind::File;
  } else if (key == L"res") {
    description.name = value;
    description.kind = ImageSourceKind::Resource;
  } else if (key == L"restype") {
    description.resourceType = value;
  } else if (key == L"color") {
    description.name = value;
    description.kind = ImageSourceKind::Color;
  } else if (key == L"dest") {
    description.dest = base::attribute::ParseRect(value);
  } else if (key == L"source") {
    description.source = base::attribute::ParseRect(value);
  } else if (key == L"corner" || key == L"scale9") {
    description.corner = base::attribute::ParseRect(value);
  } else if (key == L"mask") {
    description.mask = base::attribute::ParseColorNoBlanks(value);
  } else if (key == L"fade") {
    description.fade = static_cast<uint8_t>(base::attribute::ParseInt(value) & 0xFF);
  } else if (key == L"hole") {
    description.hole = base::attribute::ParseBool(value);
  } else if (key == L"xtiled") {
    description.tileX = base::attribute::ParseBool(value);
  } else if (key == L"ytiled") {
    description.tileY = base::attribute::ParseBool(value);
  } else if (key == L"hsl") {
    description.followsShift = base::attribute::ParseBool(value);
  }
}

}  // namespace

const wchar_t* ImageDescription::LookupType() const {
  switch (kind) {
    case ImageSourceKind::Resource:
      return resourceType.empty() ? nullptr : resourceType.c_str();
    case ImageSourceKind::Color:
      return kColorImageType;
    case ImageSourceKind::WholeText:
    case ImageSourceKind::File:
      break;
  }
  return nullptr;
}

ImageDescription ParseImageDescription(std::wstring_view text) {
  text = text.substr(0, text.find(L'\0'));
  ImageDescription description;
  // A bare name is a text whose first item never reaches its "=": it stays the whole text.
  description.name = text;

  const size_t length = text.size();
  auto at = [&](size_t i) { return i < length ? text[i] : L'\0'; };
  size_t i = 0;
  while (i < length) {
    while (i < length && IsBlank(text[i]))
      ++i;
    const size_t keyStart = i;
    while (i < length && text[i] != L'=' && !IsBlank(text[i]))
      ++i;
    const std::wstring_view key = text.substr(keyStart, i - keyStart);
    while (i < length && IsBlank(text[i]))
      ++i;
    if (at(i) != L'=')
      break;
    ++i;
    while (i < length && IsBlank(text[i]))
      ++i;
    if (at(i) != L'\'')
      break;
    const size_t valueStart = ++i;
    while (i < length && text[i] != L'\'')
      ++i;
    if (at(i) != L'\'')
      break;
    const std::wstring_view value = text.substr(valueStart, i - valueStart);
    ++i;
    if (!value.empty())
      ApplyItem(key, value, description);
    // Only a space lets the next item follow; a tab or a key right after the quote ends parsing.
    if (at(i) != L' ')
      break;
    ++i;
  }
  return description;
}

}  // namespace ui
