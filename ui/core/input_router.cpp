#include "ui/core/input_router.h"

#include <algorithm>
#include <iterator>
#include <utility>

#include "ui/core/control.h"
#include "ui/core/paint_manager.h"

// The table of input messages, the filters, and the mouse capture that a press takes: taken and
// given back with the press, and ended without a release (no activation) when the window loses
// it, the system cancels the mode or the window closes. The mouse's handlers are in
// input_router_mouse.cpp, the keyboard's in input_router_keys.cpp.
namespace ui {
namespace {

POINT ClientPointOfScreen(HWND window, LPARAM lParam) {
  POINT point = {static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
  ::ScreenToClient(window, &point);
  return point;
}

}  // namespace

const InputRouter::MessageRoute InputRouter::kRoutes[] = {
    {WM_CAPTURECHANGED, &InputRouter::HandleCaptureChanged},
    {WM_CANCELMODE, &InputRouter::HandleCancelMode},
    {WM_SETCURSOR, &InputRouter::HandleSetCursor},
    {WM_MOUSEACTIVATE, &InputRouter::HandleMouseActivate},
    {WM_CONTEXTMENU, &InputRouter::HandleContextMenu},
    {WM_KEYDOWN, &InputRouter::HandleKey},
    {WM_KEYUP, &InputRouter::HandleKey},
    {WM_CHAR, &InputRouter::HandleKey},
    {WM_MOUSEMOVE, &InputRouter::HandleMouseMove},
    {WM_LBUTTONDOWN, &InputRouter::HandleButtonDown},
    {WM_LBUTTONDBLCLK, &InputRouter::HandleButtonDown},
    {WM_RBUTTONDOWN, &InputRouter::HandleButtonDown},
    {WM_LBUTTONUP, &InputRouter::HandleButtonUp},
    {WM_MOUSEWHEEL, &InputRouter::HandleMouseWheel},
    {WM_MOUSEHOVER, &InputRouter::HandleMouseHover},
    {WM_MOUSELEAVE, &InputRouter::HandleMouseLeave},
};

bool InputRouter::Route(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  const auto route =
      std::find_if(std::begin(kRoutes), std::end(kRoutes),
                   [message](const MessageRoute& r) { return r.message == message; });
  if (route == std::end(kRoutes))
    return false;
  return (this->*route->handler)(message, wParam, lParam, result);
}

bool InputRouter::RunFilters(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  bool filtered = false;
  LRESULT answer = 0;
  filters_.ForEach([&](IMessageFilter* filter) {
    bool handled = false;
    answer = filter->FilterMessage(message, wParam, lParam, handled);
    filtered = handled;
    return !handled;
  });
  if (!filtered)
    return false;
  // The mouse position follows a mouse message even when a filter takes it.
  switch (message) {
    case WM_CONTEXTMENU:
    case WM_MOUSEWHEEL:
      mousePosition_ = ClientPointOfScreen(manager_.PaintWindow(), lParam);
      break;
    case WM_MOUSEMOVE:
    case WM_LBUTTONDOWN:
    case WM_LBUTTONUP:
    case WM_LBUTTONDBLCLK:
      mousePosition_ = {static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
      break;
    default:
      break;
  }
  result = answer;
  return true;
}

bool InputRouter::AddPreFilter(IMessageFilter* filter) {
  if (!filter)
    return false;
  preFilters_.Add(filter);
  return true;
}

bool InputRouter::RemovePreFilter(IMessageFilter* filter) {
  return preFilters_.Remove(filter);
}

bool InputRouter::AddFilter(IMessageFilter* filter) {
  if (!filter)
    return false;
  filters_.Add(filter);
  return true;
}

bool InputRouter::RemoveFilter(IMessageFilter* filter) {
  return filters_.Remove(filter);
}

bool InputRouter::AddAccelerator(ITranslateAccelerator* accelerator) {
  if (!accelerator)
    return false;
  accelerators_.Add(accelerator);
  return true;
}

bool InputRouter::RemoveAccelerator(ITranslateAccelerator* accelerator) {
  return accelerators_.Remove(accelerator);
}

bool InputRouter::AddMouseLeaveListener(Control* control) {
  if (!control || mouseLeaveListeners_.Contains(control))
    return false;
  mouseLeaveListeners_.Add(control);
  return true;
}

bool InputRouter::RemoveMouseLeaveListener(Control* control) {
  return mouseLeaveListeners_.Remove(control);
}

uint16_t InputRouter::CurrentKeyState() {
  uint16_t state = 0;
  if (::GetKeyState(VK_LBUTTON) < 0)
    state |= KeyStateLeftButton;
  if (::GetKeyState(VK_RBUTTON) < 0)
    state |= KeyStateRightButton;
  if (::GetKeyState(VK_SHIFT) < 0)
    state |= KeyStateShift;
  if (::GetKeyState(VK_CONTROL) < 0)
    state |= KeyStateControl;
  if (::GetKeyState(VK_MENU) < 0)
    state |= KeyStateAlt;
  return state;
}

ControlEvent InputRouter::MakeEvent(ControlEventKind kind,
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

void InputRouter::SetMouseCapture() {
  if (HWND window = manager_.PaintWindow())
    ::SetCapture(window);
  mouseCaptured_ = true;
}

void InputRouter::ReleaseMouseCapture() {
  // Cleared first: the release tells this window at once (WM_CAPTURECHANGED).
  mouseCaptured_ = false;
  // Only this window's own capture: another window's is not the manager's to end.
  HWND window = manager_.PaintWindow();
  if (window && ::GetCapture() == window)
    ::ReleaseCapture();
}

// The capture went elsewhere (lParam, null when just released): a press under way ends without
// activating anything. The capture coming to this window, or going from it without having been
// taken for a press (the system's move loop, say), ends nothing.
bool InputRouter::HandleCaptureChanged(UINT, WPARAM, LPARAM lParam, LRESULT&) {
  if (reinterpret_cast<HWND>(lParam) == manager_.PaintWindow() || !mouseCaptured_)
    return false;
  mouseCaptured_ = false;
  CancelPress();
  return false;
}

// The system's default handling gives back a capture this window still holds.
bool InputRouter::HandleCancelMode(UINT, WPARAM, LPARAM, LRESULT&) {
  CancelPress();
  return false;
}

void InputRouter::CancelPress() {
  Control* pressed = std::exchange(pressed_, nullptr);
  if (mouseCaptured_)
    ReleaseMouseCapture();
  if (!pressed)
    return;
  ControlEvent event = MakeEvent(ControlEventKind::CaptureLost, pressed, 0, 0);
  pressed->HandleEvent(event);
}

void InputRouter::Forget(Control* control) {
  if (keyControl_ == control)
    keyControl_ = nullptr;
  if (hover_ == control)
    hover_ = nullptr;
  // The capture was taken for the press; cleared first, so that the capture change it causes
  // finds no press to end.
  if (pressed_ == control) {
    pressed_ = nullptr;
    if (mouseCaptured_)
      ReleaseMouseCapture();
  }
  toolTip_.Forget(control);
  // Listeners are kept by the controls themselves; one that goes without removing itself must
  // still not stay behind.
  mouseLeaveListeners_.RemoveAll(control);
}

// Closing ends a press without a release: a button held while Escape or Alt+F4 closes the window
// must not activate.
void InputRouter::OnClose() {
  if (Control* hover = std::exchange(hover_, nullptr)) {
    ControlEvent event = MakeEvent(ControlEventKind::MouseLeave, hover, 0, 0);
    hover->HandleEvent(event);
  }
  CancelPress();
  toolTip_.Close();
}

}  // namespace ui
