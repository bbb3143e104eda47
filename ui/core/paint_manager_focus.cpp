#include <utility>

#include "ui/core/control.h"
#include "ui/core/paint_manager.h"

namespace ui {
namespace {

// Walks the tab order (the root's Find with FindMeFirst | FindVisible | FindEnabled) and answers
// the tab stop that the focus moves to from focus in the given direction.
struct TabVisitor {
  Control* focus = nullptr;
  Control* lastSeen = nullptr;
  bool forward = true;
  bool takeNext = false;

  static Control* Visit(Control* control, void* data) {
    auto* visitor = static_cast<TabVisitor*>(data);
    if (control == visitor->focus) {
      if (!visitor->forward)
        return visitor->lastSeen;
      visitor->takeNext = true;
      return nullptr;
    }
    if ((control->GetFlags() & FlagTabStop) == 0)
      return nullptr;
    visitor->lastSeen = control;
    return visitor->takeNext || !visitor->focus ? control : nullptr;
  }
};

constexpr uint32_t kTabOrderFlags = FindMeFirst | FindVisible | FindEnabled;

ControlEvent FocusEvent(ControlEventKind kind, Control* sender) {
  ControlEvent event;
  event.kind = kind;
  event.sender = sender;
  event.timestamp = ::GetTickCount();
  return event;
}

}  // namespace

void PaintManager::SetFocusControl(Control* control, PlatformFocus platformFocus) {
  if (platformFocus == PlatformFocus::Take && window_ && ::GetFocus() != window_ &&
      control != focus_ && !noActivate_) {
    ::SetFocus(window_);
  }
  if (control == focus_)
    return;
  // The listeners of "killfocus" and "setfocus" may destroy either control, or move the focus
  // themselves.
  DispatchScope dispatch;
  LoseFocus(control);
  if (focus_ || (control && !control->IsAlive()))
    return;
  if (control && control->IsAlive() && control->GetManager() == this && control->IsVisible() &&
      control->IsEnabled()) {
    focus_ = control;
    ControlEvent event = FocusEvent(ControlEventKind::SetFocus, control);
    control->HandleEvent(event);
    if (control->IsAlive())
      SendNotification(control, L"setfocus");
    if (focus_ == control && control->IsAlive())
      control->NotifyAccessibleEvent(EVENT_OBJECT_FOCUS);
  }
}

// The focus control is cleared before it hears of the loss, so that a listener that moves the
// focus meanwhile starts from no focus and keeps its choice.
void PaintManager::LoseFocus(Control* next) {
  Control* losing = std::exchange(focus_, nullptr);
  if (!losing)
    return;
  DispatchScope dispatch;
  ControlEvent event = FocusEvent(ControlEventKind::KillFocus, next);
  losing->HandleEvent(event);
  SendNotification(losing, L"killfocus");
}

void PaintManager::SetFocusNeeded(Control* control) {
  if (window_ && !noActivate_)
    ::SetFocus(window_);
  DispatchScope dispatch;
  LoseFocus(control);
  if (!root_)
    return;
  if (control && !control->IsAlive())
    control = nullptr;
  // Stand on the tab stop before control, without events, so that the next forward move lands
  // on control (or, if it cannot take the focus, on the tab stop after it). Without a control
  // there is nothing to stand before: the move goes to the first tab stop.
  if (control) {
    TabVisitor visitor;
    visitor.focus = control;
    visitor.forward = false;
    focus_ = root_->Find(TabVisitor::Visit, &visitor, kTabOrderFlags);
  }
  focusNeeded_ = true;
  root_->RequestLayout();
}

bool PaintManager::MoveFocusByTab(TabDirection direction) {
  DispatchScope dispatch;
  const bool forward = direction == TabDirection::Forward;
  if (updateNeeded_ && forward) {
    focusNeeded_ = true;
    InvalidateAll();
    return true;
  }
  if (!root_) {
    focusNeeded_ = false;
    return false;
  }
  TabVisitor visitor;
  visitor.focus = focus_;
  visitor.forward = forward;
  Control* next = root_->Find(TabVisitor::Visit, &visitor, kTabOrderFlags);
  if (!next) {
    if (forward) {
      // Past the last tab stop: start again from the first.
      TabVisitor restart;
      restart.forward = true;
      next = root_->Find(TabVisitor::Visit, &restart, kTabOrderFlags);
    } else {
      // Before the first tab stop: the last one of the walk.
      next = visitor.lastSeen;
    }
  }
  if (next)
    SetFocusControl(next, PlatformFocus::Take);
  focusNeeded_ = false;
  return true;
}

}  // namespace ui
