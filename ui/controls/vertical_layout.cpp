#include "ui/controls/vertical_layout.h"

#include "base/attribute_values.h"

namespace ui {

VerticalLayout::VerticalLayout() : LinearLayout(Axis::Vertical) {}

const wchar_t* VerticalLayout::GetClassName() const {
  return L"VerticalLayout";
}

void* VerticalLayout::CastTo(std::wstring_view interfaceName) {
  if (interfaceName == L"VerticalLayout")
    return this;
  return LinearLayout::CastTo(interfaceName);
}

void VerticalLayout::SetAttribute(std::wstring_view name, std::wstring_view value) {
  if (name == L"sepheight")
    SetSeparatorHeight(SkinLength(base::attribute::ParseInt(value)));
  else
    LinearLayout::SetAttribute(name, value);
}

SkinLength VerticalLayout::GetSeparatorHeight() const {
  return separatorSize_;
}

void VerticalLayout::SetSeparatorHeight(SkinLength height) {
  separatorSize_ = height;
}

}  // namespace ui
