#include <oleacc.h>

#include "ui/core/control.h"
#include "ui/core/paint_manager.h"

// What every control tells a screen reader, whatever its kind.
namespace ui {

void Control::DescribeAccessible(AccessibleDescription& description) const {
  description.name = accessibleName_.empty() ? GetText() : accessibleName_;
  if (!IsVisible())
    description.state |= STATE_SYSTEM_INVISIBLE;
  if (!IsEnabled()) {
    description.state |= STATE_SYSTEM_UNAVAILABLE;
    return;
  }
  // Focusable as the tab order sees it: visible, enabled and a tab stop.
  if (!IsVisible() || (GetFlags() & FlagTabStop) == 0)
    return;
  description.state |= STATE_SYSTEM_FOCUSABLE;
  // The focus control holds the keyboard only while its window does.
  const HWND window = manager_ ? manager_->PaintWindow() : nullptr;
  if (window && manager_->GetFocusControl() == this && ::GetFocus() == window)
    description.state |= STATE_SYSTEM_FOCUSED;
}

void Control::NotifyAccessibleEvent(uint32_t event) {
  if (!manager_ || !manager_->PaintWindow())
    return;
  AccessibleDescription description;
  DescribeAccessible(description);
  if (description.role != 0)
    manager_->NotifyAccessibleEvent(event, this);
}

}  // namespace ui
