#include "ui/controls/tab_layout.h"

#include <algorithm>

#include "base/attribute_values.h"
#include "ui/core/paint_manager.h"

namespace ui {

TabLayout::TabLayout() = default;

const wchar_t* TabLayout::GetClassName() const {
  return L"TabLayout";
}

void* TabLayout::CastTo(std::wstring_view interfaceName) {
  if (interfaceName == L"TabLayout")
    return this;
  return Container::CastTo(interfaceName);
}

bool TabLayout::Add(Control* control) {
  if (!Container::Add(control))
    return false;
  if (selectedIndex_ == -1 && control->IsVisible())
    selectedIndex_ = IndexOf(control);
  else
    control->SetVisible(false);
  return true;
}

bool TabLayout::Insert(Control* control, int index) {
  if (!Container::Insert(control, index))
    return false;
  if (selectedIndex_ == -1 && control->IsVisible()) {
    selectedIndex_ = index;
  } else if (selectedIndex_ == -1 || selectedIndex_ < index) {
    control->SetVisible(false);
  } else {
    // Inserted at or before the selected page, which moves up by one.
    ++selectedIndex_;
  }
  return true;
}

bool TabLayout::Remove(Control* control, bool keepAlive) {
  const int index = IndexOf(control);
  if (!Container::Remove(control, keepAlive))
    return false;
  if (index == selectedIndex_) {
    if (Count() == 0) {
      selectedIndex_ = -1;
    } else {
      selectedIndex_ = 0;
      items_[0]->SetVisible(true);
    }
    RequestParentLayout();
  } else if (index < selectedIndex_) {
    --selectedIndex_;
  }
  return true;
}

void TabLayout::Clear() {
  selectedIndex_ = -1;
  Container::Clear();
  RequestParentLayout();
}

void TabLayout::SetRect(const RECT& rect, bool invalidate) {
  // The size hooks may destroy the control: the rest of the layout is then skipped.
  DispatchScope dispatch;
  Control::SetRect(rect, invalidate);
  if (!IsAlive())
    return;
  // Pages fill the inner rectangle; a tab layout does not scroll.
  const RECT rc = InnerRect();
  PlaceChildren([this, &rc](Control* child) {
    if (IndexOf(child) != selectedIndex_)
      return;
    const RECT p = child->ScaledPadding();
    const RECT area = {rc.left + p.left, rc.top + p.top, rc.right - p.right, rc.bottom - p.bottom};
    const int width = area.right - area.left;
    const int height = area.bottom - area.top;
    SIZE size = child->MeasureSize({width, height});
    if (size.cx == 0)
      size.cx = std::max(width, 0);
    if (size.cy == 0)
      size.cy = std::max(height, 0);
    size.cx = std::clamp<LONG>(size.cx, child->ScaledMinWidth(), child->ScaledMaxWidth());
    size.cy = std::clamp<LONG>(size.cy, child->ScaledMinHeight(), child->ScaledMaxHeight());
    child->SetRect({area.left, area.top, area.left + size.cx, area.top + size.cy},
                   /*invalidate=*/false);
  });
}

void TabLayout::SetAttribute(std::wstring_view name, std::wstring_view value) {
  // The value is also kept as an extra attribute by the container.
  if (name == L"selectedid")
    SelectItem(base::attribute::ParseInt(value), Notify::Yes);
  Container::SetAttribute(name, value);
}

int TabLayout::GetSelectedIndex() const {
  return selectedIndex_;
}

bool TabLayout::SelectItem(int index, Notify notify) {
  if (index < 0 || index >= Count())
    return false;
  if (index == selectedIndex_)
    return true;
  const int oldIndex = selectedIndex_;
  selectedIndex_ = index;
  // Moving the focus tells the listeners, who may destroy the pages or the layout itself.
  DispatchScope dispatch;
  for (int i = 0; i < Count() && IsAlive(); ++i) {
    if (i == index) {
      items_[i]->SetVisible(true);
      items_[i]->SetFocus();
    } else {
      items_[i]->SetVisible(false);
    }
  }
  if (!IsAlive())
    return true;
  RequestParentLayout();
  if (manager_) {
    // The client's children are now the new page's controls.
    manager_->NotifyAccessibleEvent(EVENT_OBJECT_REORDER, nullptr);
    manager_->MoveFocusByTab(TabDirection::Forward);
    if (!IsAlive())
      return true;
    if (notify == Notify::Yes)
      manager_->SendNotification(this, L"tabselect", index, oldIndex);
  }
  return true;
}

}  // namespace ui
