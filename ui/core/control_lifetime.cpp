#include "ui/core/control.h"

#include <vector>

#include "ui/core/paint_manager.h"

// How a control goes: deleted at once, or, while a dispatch is under way, retired with its
// subtree and deleted when the dispatch ends (dispatch_scope.h). Both take the held controls in
// the order HeldInTeardownOrder gives, each before the control itself.
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
  for (Control* held : HeldInTeardownOrder())
    held->RetireSubtree();
  Retire();
}

// Each control goes as it would when deleted; the destructor that follows later finds no hook
// left to fire.
void Control::Retire() {
  if (!alive_)
    return;
  alive_ = false;
  initHooks.Clear();
  sizeHooks.Clear();
  eventHooks.Clear();
  notifyHooks.Clear();
  paintHooks.Clear();
  postPaintHooks.Clear();
  Depart();
}

std::vector<Control*> Control::HeldInTeardownOrder() const {
  if (overlay_)
    return {overlay_};
  return {};
}

bool Control::LetGo(Control* held) {
  if (held != overlay_)
    return false;
  overlay_ = nullptr;
  return true;
}

void Control::DestroyHeld() {
  for (Control* held : HeldInTeardownOrder()) {
    if (LetGo(held))
      held->Destroy();
  }
}

void Control::Depart() {
  ClearExtraAttributes();
  destroyHooks.Fire(this);
  destroyHooks.Clear();
  if (manager_)
    manager_->ForgetControl(this);
}

Control::~Control() {
  DestroyHeld();
  Depart();
}

}  // namespace ui
