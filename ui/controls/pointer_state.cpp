#include "ui/controls/pointer_state.h"

#include "base/rect_math.h"
#include "ui/core/control.h"
#include "ui/core/paint_manager.h"

namespace ui {

bool PointerState::Set(uint32_t bits) {
  const uint32_t before = bits_;
  bits_ |= bits;
  return bits_ != before;
}

bool PointerState::Clear(uint32_t bits) {
  const uint32_t before = bits_;
  bits_ &= ~bits;
  return bits_ != before;
}

bool PointerState::Enter(bool inside, bool enabled) {
  return inside && enabled && Set(StateHot);
}

bool PointerState::Hover(bool inside, bool enabled) {
  return inside ? Enter(inside, enabled) : Leave();
}

bool PointerState::Leave() {
  return Clear(StateHot);
}

bool PointerState::Press(bool inside, bool enabled) {
  if (!inside || !enabled)
    return false;
  Set(StatePushed | StateCaptured);
  return true;
}

bool PointerState::Move(bool inside) {
  if (!IsCaptured())
    return false;
  return inside ? Set(StatePushed) : Clear(StatePushed);
}

PointerState::Release PointerState::ReleaseButton(bool inside, bool enabled) {
  if (!IsCaptured())
    return Release::NoPress;
  EndPress();
  return inside && enabled ? Release::Click : Release::Cancelled;
}

bool PointerState::EndPress() {
  return Clear(StatePushed | StateCaptured);
}

bool ConfirmMouseLeave(Control& control, POINT point) {
  PaintManager* manager = control.GetManager();
  if (base::RectContains(control.GetRect(), point)) {
    if (manager)
      manager->AddMouseLeaveListener(&control);
    return false;
  }
  if (manager)
    manager->RemoveMouseLeaveListener(&control);
  return true;
}

}  // namespace ui
