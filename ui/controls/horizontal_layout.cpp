#include "ui/controls/horizontal_layout.h"

#include "base/attribute_values.h"

namespace ui {

HorizontalLayout::HorizontalLayout() : LinearLayout(Axis::Horizontal) {}

const wchar_t* HorizontalLayout::GetClassName() const {
  return L"HorizontalLayout";
}

void* HorizontalLayout::CastTo(std::wstring_view interfaceName) {
  if (interfaceName == L"HorizontalLayout")
    return this;
  return LinearLayout::CastTo(interfaceName);
}

void HorizontalLayout::SetAttribute(std::wstring_view name, std::wstring_view value) {
  if (name == L"sepwidth")
    SetSeparatorWidth(SkinLength(base::attribute::ParseInt(value)));
  else
    LinearLayout::SetAttribute(name, value);
}

SkinLength HorizontalLayout::GetSeparatorWidth() const {
  return separatorSize_;
}

void HorizontalLayout::SetSeparatorWidth(SkinLength width) {
  separatorSize_ = width;
}

}  // namespace ui
