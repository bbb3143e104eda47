#include "ui/controls/scroll_bar.h"

#include "base/attribute_values.h"
#include "ui/controls/container.h"
#include "ui/core/paint_manager.h"

namespace ui {
namespace {
constexpr int kThickness = 16;
}

ScrollBar::ScrollBar() {
  fixedWidth_ = kThickness;
}

const wchar_t* ScrollBar::GetClassName() const {
  return L"ScrollBar";
}

void* ScrollBar::CastTo(std::wstring_view interfaceName) {
  if (interfaceName == L"ScrollBar")
    return this;
  return Control::CastTo(interfaceName);
}

// Showing or hiding a bar is part of its owner's layout, so it requests neither layout nor paint.
void ScrollBar::SetVisible(bool visible) {
  if (visible_ == visible)
    return;
  visible_ = visible;
  focused_ = false;
}

void ScrollBar::SetAttribute(std::wstring_view name, std::wstring_view value) {
  if (name == L"hor")
    SetHorizontal(base::attribute::ParseBool(value));
  else if (name == L"linesize")
    SetLineSize(base::attribute::ParseInt(value));
  else if (name == L"range")
    SetScrollRange(base::attribute::ParseInt(value));
  else if (name == L"value")
    SetScrollPos(base::attribute::ParseInt(value), Notify::Yes);
  else if (name == L"scrollunit")
    SetScrollUnit(base::attribute::ParseInt(value));
  else
    Control::SetAttribute(name, value);
}

Container* ScrollBar::GetOwner() const {
  return owner_;
}

void ScrollBar::SetOwner(Container* owner) {
  owner_ = owner;
}

bool ScrollBar::IsHorizontal() const {
  return horizontal_;
}

void ScrollBar::SetHorizontal(bool horizontal) {
  if (horizontal_ == horizontal)
    return;
  horizontal_ = horizontal;
  if (horizontal_ && fixedHeight_ == 0) {
    fixedWidth_ = 0;
    fixedHeight_ = kThickness;
  } else if (!horizontal_ && fixedWidth_ == 0) {
    fixedHeight_ = 0;
    fixedWidth_ = kThickness;
  }
  if (owner_)
    owner_->RequestLayout();
  else
    RequestParentLayout();
}

int ScrollBar::GetScrollRange() const {
  return range_;
}

void ScrollBar::SetScrollRange(int range) {
  if (range_ == range)
    return;
  range_ = range < 0 ? 0 : range;
  if (position_ > range_)
    position_ = range_;
  SetRect(rect_, true);
}

int ScrollBar::GetScrollPos() const {
  return position_;
}

void ScrollBar::SetScrollPos(int position, Notify notify) {
  if (position_ == position)
    return;
  const int old = position_;
  position_ = position < 0 ? 0 : position;
  if (scrollUnit_ > 1) {
    const int remainder = position_ % scrollUnit_;
    if (remainder != 0) {
      position_ -= remainder;
      if (remainder >= scrollUnit_ / 2)
        position_ += scrollUnit_;
    }
  }
  if (position_ > range_)
    position_ = range_;
  SetRect(rect_, true);
  // Queued with repeats merged, so that a burst of moves arrives as one notification.
  if (notify == Notify::Yes && manager_)
    manager_->SendNotification(this, L"scroll", position_, old, Dispatch::Queued, Repeats::Merged);
}

int ScrollBar::GetLineSize() const {
  return lineSize_;
}

void ScrollBar::SetLineSize(int size) {
  if (size >= 0)
    lineSize_ = size;
}

int ScrollBar::GetScrollUnit() const {
  return scrollUnit_;
}

void ScrollBar::SetScrollUnit(int unit) {
  if (unit >= 0)
    scrollUnit_ = unit;
}

int ScrollBar::LineStep() const {
  return scrollUnit_ > 1 ? scrollUnit_ : lineSize_;
}

}  // namespace ui
