#include <utility>

#include "ui/core/control.h"
#include "ui/core/input_router.h"
#include "ui/core/paint_manager.h"

// The mouse's messages: the hover control entered and left, the pressed control with its
// capture, the wheel, hover and leave tracking with the tooltip, the cursor and the context menu.
namespace ui {
namespace {

POINT PointOf(LPARAM lParam) {
  return {static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
}

POINT ClientPointOfScreen(HWND window, LPARAM lParam) {
  POINT point = PointOf(lParam);
  ::ScreenToClient(window, &point);
  return point;
}

LPARAM LParamOf(POINT point) {
  return MAKELPARAM(static_cast<WORD>(point.x), static_cast<WORD>(point.y));
}

}  // namespace

Control* InputRouter::ControlAtPoint(POINT point, bool& foreign) const {
  Control* control = manager_.FindControlAt(point);
  foreign = control && control->GetManager() != &manager_;
  return foreign ? nullptr : control;
}

bool InputRouter::HandleMouseMove(UINT, WPARAM wParam, LPARAM lParam, LRESULT&) {
  if (!manager_.GetRoot())
    return false;
  if (!mouseTracking_) {
    TRACKMOUSEEVENT tracking = {};
    tracking.cbSize = sizeof(tracking);
    tracking.dwFlags = TME_HOVER | TME_LEAVE;
    tracking.hwndTrack = manager_.PaintWindow();
    tracking.dwHoverTime = toolTip_.InitialDelay(hoverTime_);
    // Without tracking the window misses hover and leave; moves still work.
    ::TrackMouseEvent(&tracking);
    mouseTracking_ = true;
  }
  const POINT point = PointOf(lParam);
  mousePosition_ = point;
  bool foreign = false;
  Control* control = ControlAtPoint(point, foreign);
  if (foreign)
    return false;
  if (!mouseCaptured_)
    MoveHover(control, point, wParam, lParam);
  Control* target = pressed_ ? pressed_ : control;
  if (target) {
    ControlEvent event = MakeEvent(ControlEventKind::MouseMove, target, wParam, lParam);
    event.mousePoint = point;
    target->HandleEvent(event);
  }
  return false;
}

// The hover control leaves (telling the mouse-leave listeners too) and control, when it is
// another, is entered; control becomes null when it went meanwhile.
void InputRouter::MoveHover(Control*& control, POINT point, WPARAM wParam, LPARAM lParam) {
  if (hover_ && hover_ != control) {
    Control* leaving = std::exchange(hover_, nullptr);
    ControlEvent event = MakeEvent(ControlEventKind::MouseLeave, leaving, wParam, lParam);
    event.mousePoint = point;
    mouseLeaveListeners_.ForEach([&](Control* listener) { listener->HandleEvent(event); });
    if (leaving->IsAlive())
      leaving->HandleEvent(event);
    toolTip_.Hide();
    // A control that went with the leave is not entered; what lies there now is.
    if (control && !control->IsAlive()) {
      bool foreign = false;
      control = ControlAtPoint(point, foreign);
    }
  }
  if (control && control != hover_) {
    hover_ = control;
    ControlEvent event = MakeEvent(ControlEventKind::MouseEnter, control, wParam, lParam);
    event.mousePoint = point;
    control->HandleEvent(event);
    if (!control->IsAlive())
      control = nullptr;
  }
}

// A double click presses again; a left or right press takes the focus first.
bool InputRouter::HandleButtonDown(UINT message, WPARAM wParam, LPARAM lParam, LRESULT&) {
  if (!manager_.IsNoActivate())
    ::SetFocus(manager_.PaintWindow());
  if (!manager_.GetRoot())
    return false;
  const POINT point = PointOf(lParam);
  mousePosition_ = point;
  bool foreign = false;
  Control* control = ControlAtPoint(point, foreign);
  if (!control)
    return false;
  if (message == WM_LBUTTONDBLCLK) {
    SetMouseCapture();
    pressed_ = control;
    ControlEvent event = MakeEvent(ControlEventKind::DoubleClick, control, 0, 0);
    event.keyState = LOWORD(wParam);
    control->HandleEvent(event);
    return false;
  }
  pressed_ = control;
  control->SetFocus();
  // A listener of the focus change may have destroyed the control.
  if (!control->IsAlive())
    return false;
  if (message == WM_LBUTTONDOWN)
    SetMouseCapture();
  ControlEvent event = MakeEvent(
      message == WM_LBUTTONDOWN ? ControlEventKind::ButtonDown : ControlEventKind::RightButtonDown,
      control, wParam, lParam);
  event.keyState = LOWORD(wParam);
  control->HandleEvent(event);
  return false;
}

bool InputRouter::HandleButtonUp(UINT, WPARAM wParam, LPARAM lParam, LRESULT&) {
  mousePosition_ = PointOf(lParam);
  Control* control = std::exchange(pressed_, nullptr);
  if (!control)
    return false;
  ReleaseMouseCapture();
  ControlEvent event = MakeEvent(ControlEventKind::ButtonUp, control, wParam, lParam);
  event.keyState = LOWORD(wParam);
  control->HandleEvent(event);
  return false;
}

bool InputRouter::HandleMouseWheel(UINT, WPARAM wParam, LPARAM lParam, LRESULT&) {
  if (!manager_.GetRoot())
    return false;
  HWND window = manager_.PaintWindow();
  mousePosition_ = ClientPointOfScreen(window, lParam);
  bool foreign = false;
  Control* control = ControlAtPoint(mousePosition_, foreign);
  if (!control)
    return false;
  const bool towardUser = GET_WHEEL_DELTA_WPARAM(wParam) < 0;
  ControlEvent event =
      MakeEvent(ControlEventKind::ScrollWheel, control, towardUser ? 1 : 0, lParam);
  control->HandleEvent(event);
  // Hover states follow the content that moved under the mouse.
  ::SendMessageW(window, WM_MOUSEMOVE, 0, LParamOf(mousePosition_));
  return false;
}

bool InputRouter::HandleMouseHover(UINT, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  if (!manager_.GetRoot())
    return false;
  mouseTracking_ = false;
  const POINT point = PointOf(lParam);
  bool foreign = false;
  Control* control = ControlAtPoint(point, foreign);
  if (!control)
    return false;
  if (hover_) {
    ControlEvent event = MakeEvent(ControlEventKind::MouseHover, hover_, wParam, lParam);
    event.mousePoint = point;
    hover_->HandleEvent(event);
  }
  // The hovered control's tooltip, wrapped at its width in the window's pixels.
  if (control->IsAlive()) {
    const std::wstring text = control->GetToolTip();
    if (!text.empty()) {
      toolTip_.Show(manager_.PaintWindow(), control,
                    PaintManager::ReplaceLanguagePlaceholders(text), control->GetRect(), point,
                    manager_.GetDisplayScale().Length(control->GetToolTipWidth()));
    }
  }
  result = 0;
  return true;
}

bool InputRouter::HandleMouseLeave(UINT, WPARAM, LPARAM, LRESULT&) {
  if (!manager_.GetRoot())
    return false;
  toolTip_.Hide();
  if (!mouseTracking_)
    return false;
  HWND window = manager_.PaintWindow();
  POINT cursor = {0, 0};
  RECT bounds = {0, 0, 0, 0};
  const bool inside = !::IsIconic(window) && ::GetActiveWindow() == window &&
                      ::GetCursorPos(&cursor) && ::GetWindowRect(window, &bounds) &&
                      ::PtInRect(&bounds, cursor) &&
                      ::SendMessageW(window, WM_NCHITTEST, 0, LParamOf(cursor)) == HTCLIENT;
  if (inside) {
    ::ScreenToClient(window, &cursor);
    ::SendMessageW(window, WM_MOUSEMOVE, 0, LParamOf(cursor));
  } else {
    // (-1, -1) lies outside every control: the hover control leaves, none enters.
    ::SendMessageW(window, WM_MOUSEMOVE, 0, static_cast<LPARAM>(-1));
  }
  mouseTracking_ = false;
  return false;
}

// The context menu goes to the pressed control, which the press ends.
bool InputRouter::HandleContextMenu(UINT, WPARAM wParam, LPARAM lParam, LRESULT&) {
  if (!manager_.GetRoot() || mouseCaptured_)
    return false;
  mousePosition_ = ClientPointOfScreen(manager_.PaintWindow(), lParam);
  if (Control* pressed = std::exchange(pressed_, nullptr)) {
    ControlEvent event = MakeEvent(ControlEventKind::ContextMenu, pressed, wParam, lParam);
    event.keyState = LOWORD(wParam);
    pressed->HandleEvent(event);
  }
  return false;
}

bool InputRouter::HandleSetCursor(UINT, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  if (!manager_.GetRoot() || LOWORD(lParam) != HTCLIENT)
    return false;
  if (!mouseCaptured_) {
    POINT point = {0, 0};
    if (!::GetCursorPos(&point))
      return false;
    ::ScreenToClient(manager_.PaintWindow(), &point);
    bool foreign = false;
    Control* control = ControlAtPoint(point, foreign);
    if (!control || (control->GetFlags() & FlagSetCursor) == 0)
      return false;
    ControlEvent event = MakeEvent(ControlEventKind::SetCursor, control, wParam, lParam);
    event.mousePoint = point;
    control->HandleEvent(event);
  }
  result = TRUE;
  return true;
}

bool InputRouter::HandleMouseActivate(UINT, WPARAM, LPARAM, LRESULT& result) {
  if (!manager_.IsNoActivate())
    return false;
  result = MA_NOACTIVATE;
  return true;
}

}  // namespace ui
