#pragma once

#include <windows.h>

#include <cstdint>

#include "ui/controls/control_state.h"

namespace ui {

class Control;

// The hot, pushed and captured bits of one target of the mouse (a control, or a part of one such
// as a scroll bar's arrow) and how pointer events change them. It knows no window: the caller
// says whether the pointer is over the target and whether the target is enabled, and repaints
// when a call reports a change. Hot means the pointer is over an enabled target; a press over it
// captures the mouse and pushes it, and pushed then follows the pointer until the press ends.
class PointerState {
 public:
  // How a release of the button ends a press.
  enum class Release {
    NoPress,    // nothing was held
    Cancelled,  // released away from the target, or the target is disabled
    Click,      // released over the enabled target that was pressed: it activates
  };

  uint32_t Bits() const { return bits_; }
  bool IsHot() const { return (bits_ & StateHot) != 0; }
  bool IsPushed() const { return (bits_ & StatePushed) != 0; }
  bool IsCaptured() const { return (bits_ & StateCaptured) != 0; }

  // The pointer came over the control that holds the target: the target turns hot when the
  // pointer is over it and it is enabled. True when that changed the state.
  bool Enter(bool inside, bool enabled);
  // The pointer moved with no press under way, and hot follows it. True on a change.
  bool Hover(bool inside, bool enabled);
  // The pointer left: the target is no longer hot. A press under way is kept. True on a change.
  bool Leave();
  // A press of the button: taken (pushed and captured) when it lands on the enabled target.
  // True when taken.
  bool Press(bool inside, bool enabled);
  // The pointer moved while the button is held: pushed follows it. True on a change.
  bool Move(bool inside);
  // The button went up; a press under way ends.
  Release ReleaseButton(bool inside, bool enabled);
  // The press ends without a release (the capture went elsewhere, the window closes), or with a
  // release that activates nothing. True when a press was under way.
  bool EndPress();
  // The target was disabled: nothing is hot, pushed or captured any more.
  void Reset() { bits_ = 0; }

 private:
  // Set or clear bits; true when that changed them.
  bool Set(uint32_t bits);
  bool Clear(uint32_t bits);

  uint32_t bits_ = 0;
};

// Settles the mouse-leave that control was told of with the pointer at point. While the pointer
// is still over the control (it went onto a child window, say) the leave is none: the control is
// registered again to listen for the real one, and the answer is false. Otherwise the control
// stops listening and the answer is true.
bool ConfirmMouseLeave(Control& control, POINT point);

}  // namespace ui
