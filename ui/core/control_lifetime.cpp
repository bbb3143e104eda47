#include "ui/core/control.h"
#include "ui/core/paint_manager.h"

// How a control goes: deleted at once, or, while a dispatch is under way, retired with its
// subtree and deleted when the dispatch ends (dispatch_scope.h).
namespace ui {

void Control::Destroy() {
  if (awaitingDelete_)
    return;
  // Frames still on the stack may hold the control: it goes when the dispatch ends.
  if (DispatchScope::IsOpen()) {
    RetireSubtree();
    awaitingDelete_ = true;
    DispatchScope::DeleteWhenClosed(this);
    return;
  }
  if (manager_)
    manager_->RemoveMouseLeaveListener(this);
  delete this;
}

void Control::RetireSubtree() {
  // Without flags the walk reaches every control below, overlays and scroll bars included.
  Find(&Control::Retire, nullptr, 0);
}

// The walk reaches the overlay and the children before the control itself, and each goes as it
// would when deleted. The destructor that follows later finds no hook left to fire.
Control* Control::Retire(Control* control, void*) {
  if (!control->alive_)
    return nullptr;
  control->alive_ = false;
  control->initHooks.Clear();
  control->sizeHooks.Clear();
  control->eventHooks.Clear();
  control->notifyHooks.Clear();
  control->paintHooks.Clear();
  control->postPaintHooks.Clear();
  control->Depart();
  return nullptr;
}

void Control::Depart() {
  ClearExtraAttributes();
  destroyHooks.Fire(this);
  destroyHooks.Clear();
  if (manager_)
    manager_->ForgetControl(this);
}

Control::~Control() {
  if (overlay_) {
    overlay_->Destroy();
    overlay_ = nullptr;
  }
  Depart();
}

}  // namespace ui
