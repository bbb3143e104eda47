#include <utility>

#include "ui/core/control.h"
#include "ui/core/paint_manager.h"

// The mouse capture that a press takes: taken and given back with the press, and ended without a
// release (no activation) when the window loses it, the system cancels the mode or the window
// closes.
namespace ui {

void PaintManager::SetMouseCapture() {
  if (window_)
    ::SetCapture(window_);
  mouseCaptured_ = true;
}

void PaintManager::ReleaseMouseCapture() {
  // Cleared first: the release tells this window at once (WM_CAPTURECHANGED).
  mouseCaptured_ = false;
  // Only this window's own capture: another window's is not the manager's to end.
  if (window_ && ::GetCapture() == window_)
    ::ReleaseCapture();
}

void PaintManager::OnCaptureChanged(HWND wentTo) {
  // The capture coming to this window, or going from it without having been taken for a press
  // (the system's move loop, say), ends nothing.
  if (wentTo == window_ || !mouseCaptured_)
    return;
  mouseCaptured_ = false;
  CancelPress();
}

void PaintManager::CancelPress() {
  Control* pressed = std::exchange(pressed_, nullptr);
  if (mouseCaptured_)
    ReleaseMouseCapture();
  if (!pressed)
    return;
  ControlEvent event = MakeEvent(ControlEventKind::CaptureLost, pressed, 0, 0);
  pressed->HandleEvent(event);
}

}  // namespace ui
