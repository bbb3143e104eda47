#pragma once

#include <string_view>

#include "ui/controls/option.h"

namespace ui {

// An option under its own element name; without a group it toggles on every click.
class CheckBox : public Option {
 public:
  const wchar_t* GetClassName() const override;
  void* CastTo(std::wstring_view interfaceName) override;
  void DescribeAccessible(AccessibleDescription& description) const override;

  bool IsChecked() const { return IsSelected(); }
};

}  // namespace ui
