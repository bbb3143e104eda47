#include "ui/controls/check_box.h"

#include <oleacc.h>

namespace ui {

const wchar_t* CheckBox::GetClassName() const {
  return L"CheckBox";
}

void* CheckBox::CastTo(std::wstring_view interfaceName) {
  if (interfaceName == L"CheckBox")
    return this;
  return Option::CastTo(interfaceName);
}

void CheckBox::DescribeAccessible(AccessibleDescription& description) const {
  Option::DescribeAccessible(description);
  description.role = ROLE_SYSTEM_CHECKBUTTON;
  description.defaultAction = IsChecked() ? L"Uncheck" : L"Check";
}

}  // namespace ui
