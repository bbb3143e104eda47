#include "ui/controls/option.h"

#include <oleacc.h>

#include <vector>

#include "base/attribute_values.h"
#include "ui/core/paint_manager.h"

namespace ui {

Option::Option() = default;

// Leaving the group here keeps the manager from ever reaching a destroyed option through it.
Option::~Option() {
  if (manager_ && !group_.empty())
    manager_->RemoveOptionGroup(group_, this);
}

const wchar_t* Option::GetClassName() const {
  return L"Option";
}

void* Option::CastTo(std::wstring_view interfaceName) {
  if (interfaceName == L"Option")
    return this;
  return Button::CastTo(interfaceName);
}

bool Option::Activate() {
  // A listener of "click" may destroy the option; then there is nothing left to select.
  DispatchScope dispatch;
  if (!Button::Activate())
    return false;
  if (!IsAlive())
    return true;
  Select(group_.empty() ? !selected_ : true, Notify::Yes);
  return true;
}

void Option::Attach(PaintManager* manager, Control* parent, bool initialize) {
  // An option moved to another window leaves the group it had there.
  if (manager_ && manager_ != manager && !group_.empty())
    manager_->RemoveOptionGroup(group_, this);
  Button::Attach(manager, parent, initialize);
  if (initialize && manager_ && !group_.empty())
    manager_->AddOptionGroup(group_, this);
}

void Option::SetEnabled(bool enabled) {
  Control::SetEnabled(enabled);
  if (!IsEnabled()) {
    state_ = selected_ ? uint32_t{StateSelected} : 0;
    pointer_.Reset();
  }
}

void Option::SetGroup(std::wstring_view group) {
  if (group_ == group)
    return;
  if (manager_ && !group_.empty())
    manager_->RemoveOptionGroup(group_, this);
  group_ = group;
  if (manager_ && !group_.empty())
    manager_->AddOptionGroup(group_, this);
}

void Option::Select(bool selected, Notify notify) {
  if (selected_ == selected)
    return;
  selected_ = selected;
  if (selected_)
    state_ |= StateSelected;
  else
    state_ &= ~StateSelected;
  NotifyAccessibleEvent(EVENT_OBJECT_STATECHANGE);

  if (manager_) {
    if (!group_.empty()) {
      if (!selected_) {
        Invalidate();
        return;
      }
      // Walk a copy: the members are only deselected, but the list belongs to the manager.
      const std::vector<Control*>* members = manager_->GetOptionGroup(group_);
      const std::vector<Control*> others = members ? *members : std::vector<Control*>();
      for (Control* member : others) {
        auto* option = static_cast<Option*>(member->CastTo(L"Option"));
        if (option && option != this)
          option->Select(false, notify);
      }
    }
  }
  Invalidate();
  // Told last: a listener may destroy the option.
  if (manager_ && notify == Notify::Yes)
    manager_->SendNotification(this, L"selectchanged");
}

void Option::SetAttribute(std::wstring_view name, std::wstring_view value) {
  if (name == L"group") {
    SetGroup(value);
  } else if (name == L"selected") {
    Select(base::attribute::ParseBool(value), Notify::Yes);
  } else if (name == L"selectedimage") {
    SetSelectedImage(value);
  } else if (name == L"selectedhotimage") {
    SetSelectedHotImage(value);
  } else if (name == L"foreimage") {
    SetOptionForeImage(value);
  } else if (name == L"selectedbkcolor") {
    SetSelectedBackColor(base::attribute::ParseColorNoBlanks(value));
  } else if (name == L"selectedtextcolor") {
    SetSelectedTextColor(base::attribute::ParseColorNoBlanks(value));
  } else {
    Button::SetAttribute(name, value);
  }
}

void Option::PaintStateImages(HDC dc) {
  DeviceContextPainter painter(dc, manager_, rect_, paintRect_);
  PaintOptionImages(painter);
}

void Option::PaintOptionImages(ControlPainter& painter) {
  if (!selected_) {
    PaintButtonImages(painter, StatePushed);
  } else {
    bool drawn = pointer_.IsHot() && painter.DrawImage(selectedHotImage_);
    if (!drawn)
      drawn = painter.DrawImage(selectedImage_);
    if (!drawn) {
      if (selectedBackColor_ != 0)
        painter.FillColor(selectedBackColor_);
      else
        PaintButtonImages(painter, StatePushed);
    }
  }
  painter.DrawImage(optionForeImage_);
}

void Option::PaintText(HDC dc) {
  DeviceContextPainter painter(dc, manager_, rect_, paintRect_);
  PaintOptionText(painter);
}

void Option::PaintOptionText(ControlPainter& painter) {
  if (!selected_) {
    PaintButtonText(painter, StatePushed);
    return;
  }
  ResolveDefaultColors();
  if (text_.empty())
    return;
  uint32_t color;
  if (!IsEnabled())
    color = disabledTextColor_;
  else
    color = selectedTextColor_ != 0 ? selectedTextColor_ : textColor_;
  painter.DrawString(GetTextRect(), text_, color, font_, textStyle_, Markup());
}

void Option::DescribeAccessible(AccessibleDescription& description) const {
  Control::DescribeAccessible(description);
  description.role = ROLE_SYSTEM_RADIOBUTTON;
  if (IsSelected())
    description.state |= STATE_SYSTEM_CHECKED;
  description.defaultAction = L"Check";
}

}  // namespace ui
