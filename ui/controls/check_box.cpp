#include "ui/controls/check_box.h"

namespace ui {

const wchar_t* CheckBox::GetClassName() const {
  return L"CheckBox";
}

void* CheckBox::CastTo(std::wstring_view interfaceName) {
  if (interfaceName == L"CheckBox")
    return this;
  return Option::CastTo(interfaceName);
}

}  // namespace ui
