#include <utility>

#include "ui/core/control.h"
#include "ui/core/paint_manager.h"

// The mouse's messages: the hover control entered and left, the pressed control with its
// capture, the wheel, hover and leave tracking, and the context menu.
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

ControlEvent PaintManager::MakeEvent(ControlEventKind kind,
                                     Control* sender,
                                     WPARAM wParam,
                                     LPARAM lParam) const {
  ControlEvent event;
  event.kind = kind;
  event.sender = sender;
  event.timestamp = ::GetTickCount();
  event.mousePoint = mousePosition_;
  event.keyState = CurrentKeyState();
  event.wParam = static_cast<uint32_t>(wParam);
  event.lParam = static_cast<int32_t>(lParam);
  return event;
}

Control* PaintManager::ControlAtPoint(POINT point, bool& foreign) const {
  Control* control = FindControlAt(point);
  foreign = control && control->GetManager() != this;
  return foreign ? nullptr : control;
}

bool PaintManager::HandleMouseMove(UINT, WPARAM wParam, LPARAM lParam, LRESULT&) {
  if (root_)
    OnMouseMove(PointOf(lParam), wParam, lParam);
  return false;
}

// A double click presses again; a left or right press takes the focus first.
bool PaintManager::HandleButtonDown(UINT message, WPARAM wParam, LPARAM lParam, LRESULT&) {
  if (!noActivate_)
    ::SetFocus(window_);
  if (!root_)
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

bool PaintManager::HandleButtonUp(UINT, WPARAM wParam, LPARAM lParam, LRESULT&) {
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

bool PaintManager::HandleMouseWheel(UINT, WPARAM wParam, LPARAM lParam, LRESULT&) {
  if (!root_)
    return false;
  mousePosition_ = ClientPointOfScreen(window_, lParam);
  bool foreign = false;
  Control* control = ControlAtPoint(mousePosition_, foreign);
  if (!control)
    return false;
  const bool towardUser = GET_WHEEL_DELTA_WPARAM(wParam) < 0;
  ControlEvent event =
      MakeEvent(ControlEventKind::ScrollWheel, control, towardUser ? 1 : 0, lParam);
  control->HandleEvent(event);
  // Hover states follow the content that moved under the mouse.
  ::SendMessageW(window_, WM_MOUSEMOVE, 0, LParamOf(mousePosition_));
  return false;
}

bool PaintManager::HandleMouseHover(UINT, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  if (!root_ || !OnMouseHover(PointOf(lParam), wParam, lParam))
    return false;
  result = 0;
  return true;
}

bool PaintManager::HandleMouseLeave(UINT, WPARAM, LPARAM, LRESULT&) {
  if (root_)
    OnMouseLeaveMessage();
  return false;
}

// The context menu goes to the pressed control, which the press ends.
bool PaintManager::HandleContextMenu(UINT, WPARAM wParam, LPARAM lParam, LRESULT&) {
  if (!root_ || mouseCaptured_)
    return false;
  mousePosition_ = ClientPointOfScreen(window_, lParam);
  if (Control* pressed = std::exchange(pressed_, nullptr)) {
    ControlEvent event = MakeEvent(ControlEventKind::ContextMenu, pressed, wParam, lParam);
    event.keyState = LOWORD(wParam);
    pressed->HandleEvent(event);
  }
  return false;
}

void PaintManager::OnMouseMove(POINT point, WPARAM wParam, LPARAM lParam) {
  if (!mouseTracking_) {
    TRACKMOUSEEVENT tracking = {};
    tracking.cbSize = sizeof(tracking);
    tracking.dwFlags = TME_HOVER | TME_LEAVE;
    tracking.hwndTrack = window_;
    tracking.dwHoverTime =
        toolTipWindow_
            ? static_cast<DWORD>(::SendMessageW(toolTipWindow_, TTM_GETDELAYTIME, TTDT_INITIAL, 0))
            : hoverTime_;
    // Without tracking the window misses hover and leave; moves still work.
    ::TrackMouseEvent(&tracking);
    mouseTracking_ = true;
  }
  mousePosition_ = point;
  bool foreign = false;
  Control* control = ControlAtPoint(point, foreign);
  if (foreign)
    return;
  if (!mouseCaptured_) {
    if (hover_ && hover_ != control) {
      Control* leaving = std::exchange(hover_, nullptr);
      ControlEvent event = MakeEvent(ControlEventKind::MouseLeave, leaving, wParam, lParam);
      event.mousePoint = point;
      mouseLeaveListeners_.ForEach([&](Control* listener) { listener->HandleEvent(event); });
      if (leaving->IsAlive())
        leaving->HandleEvent(event);
      HideToolTip();
      // A control that went with the leave is not entered; what lies there now is.
      if (control && !control->IsAlive())
        control = ControlAtPoint(point, foreign);
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
  Control* target = pressed_ ? pressed_ : control;
  if (target) {
    ControlEvent event = MakeEvent(ControlEventKind::MouseMove, target, wParam, lParam);
    event.mousePoint = point;
    target->HandleEvent(event);
  }
}

bool PaintManager::OnMouseHover(POINT point, WPARAM wParam, LPARAM lParam) {
  mouseTracking_ = false;
  bool foreign = false;
  Control* control = ControlAtPoint(point, foreign);
  if (!control)
    return false;
  if (hover_) {
    ControlEvent event = MakeEvent(ControlEventKind::MouseHover, hover_, wParam, lParam);
    event.mousePoint = point;
    hover_->HandleEvent(event);
  }
  if (control->IsAlive())
    ShowToolTip(control, point);
  return true;
}

void PaintManager::OnMouseLeaveMessage() {
  HideToolTip();
  if (!mouseTracking_)
    return;
  POINT cursor = {0, 0};
  RECT bounds = {0, 0, 0, 0};
  const bool inside = !::IsIconic(window_) && ::GetActiveWindow() == window_ &&
                      ::GetCursorPos(&cursor) && ::GetWindowRect(window_, &bounds) &&
                      ::PtInRect(&bounds, cursor) &&
                      ::SendMessageW(window_, WM_NCHITTEST, 0, LParamOf(cursor)) == HTCLIENT;
  if (inside) {
    ::ScreenToClient(window_, &cursor);
    ::SendMessageW(window_, WM_MOUSEMOVE, 0, LParamOf(cursor));
  } else {
    // (-1, -1) lies outside every control: the hover control leaves, none enters.
    ::SendMessageW(window_, WM_MOUSEMOVE, 0, static_cast<LPARAM>(-1));
  }
  mouseTracking_ = false;
}

}  // namespace ui
