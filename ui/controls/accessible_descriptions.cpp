#include <oleacc.h>

#include <string>

#include "base/decimal_text.h"
#include "ui/controls/button.h"
#include "ui/controls/check_box.h"
#include "ui/controls/label.h"
#include "ui/controls/option.h"
#include "ui/controls/progress.h"
#include "ui/controls/rich_edit.h"
#include "ui/controls/slider.h"

// What the skin's controls are to a screen reader: each adds its role, value and default action
// to the common description of the control base. Containers and layouts stay out of the tree.
// The action verbs are Active Accessibility's usual English ones, which clients translate.
namespace ui {
namespace {

// "45%": the value's place in the range, as a progress bar reads out.
std::wstring PercentText(const Progress& progress) {
  const long long range = static_cast<long long>(progress.GetMaxValue()) - progress.GetMinValue();
  const long long offset = static_cast<long long>(progress.GetValue()) - progress.GetMinValue();
  const long long percent = range > 0 ? offset * 100 / range : 0;
  return base::DecimalText(percent) + L"%";
}

}  // namespace

void Label::DescribeAccessible(AccessibleDescription& description) const {
  Control::DescribeAccessible(description);
  description.role = ROLE_SYSTEM_STATICTEXT;
}

void Button::DescribeAccessible(AccessibleDescription& description) const {
  Control::DescribeAccessible(description);
  description.role = ROLE_SYSTEM_PUSHBUTTON;
  description.defaultAction = L"Press";
}

void Option::DescribeAccessible(AccessibleDescription& description) const {
  Control::DescribeAccessible(description);
  description.role = ROLE_SYSTEM_RADIOBUTTON;
  if (IsSelected())
    description.state |= STATE_SYSTEM_CHECKED;
  description.defaultAction = L"Check";
}

void CheckBox::DescribeAccessible(AccessibleDescription& description) const {
  Option::DescribeAccessible(description);
  description.role = ROLE_SYSTEM_CHECKBUTTON;
  description.defaultAction = IsChecked() ? L"Uncheck" : L"Check";
}

void Progress::DescribeAccessible(AccessibleDescription& description) const {
  Control::DescribeAccessible(description);
  description.role = ROLE_SYSTEM_PROGRESSBAR;
  description.value = PercentText(*this);
}

void Slider::DescribeAccessible(AccessibleDescription& description) const {
  Progress::DescribeAccessible(description);
  description.role = ROLE_SYSTEM_SLIDER;
}

// The text is the field's value; only "accname" names it.
void RichEdit::DescribeAccessible(AccessibleDescription& description) const {
  Control::DescribeAccessible(description);
  description.role = ROLE_SYSTEM_TEXT;
  description.name = GetAccessibleName();
  description.value = GetText();
}

}  // namespace ui
