#include <algorithm>
#include <iterator>
#include <utility>

#include "ui/core/control.h"
#include "ui/core/paint_manager.h"

// The window's messages: filters first, then the message table below, whose handlers turn input
// into control events for the hover, pressed, focus and key controls, reflect messages to native
// child windows and paint. The mouse's handlers are in paint_manager_mouse.cpp, the keyboard's in
// paint_manager_keys.cpp.
namespace ui {
namespace {

POINT ClientPointOfScreen(HWND window, LPARAM lParam) {
  POINT point = {static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
  ::ScreenToClient(window, &point);
  return point;
}

}  // namespace

const PaintManager::MessageRoute PaintManager::kMessageRoutes[] = {
    {kQueueMessage, &PaintManager::HandleQueue},
    {WM_SIZE, &PaintManager::HandleSize},
    {WM_KILLFOCUS, &PaintManager::HandleKillFocus},
    {WM_PAINT, &PaintManager::HandlePaint},
    {WM_PRINTCLIENT, &PaintManager::HandlePrintClient},
    {WM_CLOSE, &PaintManager::HandleClose},
    {WM_CAPTURECHANGED, &PaintManager::HandleCaptureChanged},
    {WM_CANCELMODE, &PaintManager::HandleCancelMode},
    {WM_ERASEBKGND, &PaintManager::HandleEraseBackground},
    {WM_SETCURSOR, &PaintManager::HandleSetCursor},
    {WM_MOUSEACTIVATE, &PaintManager::HandleMouseActivate},
    {WM_GETMINMAXINFO, &PaintManager::HandleGetMinMaxInfo},
    {WM_NOTIFY, &PaintManager::HandleNotify},
    {WM_COMMAND, &PaintManager::HandleReflected},
    {WM_CTLCOLOREDIT, &PaintManager::HandleReflected},
    {WM_CTLCOLORSTATIC, &PaintManager::HandleReflected},
    {WM_CONTEXTMENU, &PaintManager::HandleContextMenu},
    {WM_KEYDOWN, &PaintManager::HandleKey},
    {WM_KEYUP, &PaintManager::HandleKey},
    {WM_CHAR, &PaintManager::HandleKey},
    {WM_TIMER, &PaintManager::HandleTimer},
    {WM_MOUSEMOVE, &PaintManager::HandleMouseMove},
    {WM_LBUTTONDOWN, &PaintManager::HandleButtonDown},
    {WM_LBUTTONDBLCLK, &PaintManager::HandleButtonDown},
    {WM_RBUTTONDOWN, &PaintManager::HandleButtonDown},
    {WM_LBUTTONUP, &PaintManager::HandleButtonUp},
    {WM_MOUSEWHEEL, &PaintManager::HandleMouseWheel},
    {WM_MOUSEHOVER, &PaintManager::HandleMouseHover},
    {WM_MOUSELEAVE, &PaintManager::HandleMouseLeave},
};

bool PaintManager::HandleWindowMessage(UINT message,
                                       WPARAM wParam,
                                       LPARAM lParam,
                                       LRESULT& result) {
  if (!window_)
    return false;
  // Everything below may call out to controls, listeners and filters.
  DispatchScope dispatch;
  if (RunFilters(message, wParam, lParam, result) || HandleLayeredFrame(message, wParam, result)) {
    return true;
  }
  const auto route =
      std::find_if(std::begin(kMessageRoutes), std::end(kMessageRoutes),
                   [message](const MessageRoute& r) { return r.message == message; });
  if (route == std::end(kMessageRoutes))
    return false;
  return (this->*route->handler)(message, wParam, lParam, result);
}

bool PaintManager::RunFilters(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
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
      mousePosition_ = ClientPointOfScreen(window_, lParam);
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

// A layered window has no frame to compute or paint, nor to show as active.
bool PaintManager::HandleLayeredFrame(UINT message, WPARAM wParam, LRESULT& result) {
  if (!layered_)
    return false;
  switch (message) {
    case WM_NCCALCSIZE:
    case WM_NCPAINT:
      result = 0;
      return true;
    case WM_NCACTIVATE:
      if (::IsIconic(window_))
        return false;
      result = wParam == 0 ? TRUE : FALSE;
      return true;
    default:
      return false;
  }
}

bool PaintManager::HandleQueue(UINT, WPARAM, LPARAM, LRESULT&) {
  DrainQueue();
  return false;
}

bool PaintManager::HandleSize(UINT, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  if (focus_) {
    ControlEvent event = MakeEvent(ControlEventKind::WindowSize, focus_, wParam, lParam);
    focus_->HandleEvent(event);
  }
  if (root_)
    root_->RequestLayout();
  if (layered_)
    InvalidateAll();
  result = 0;
  return true;
}

// The focus went to a native child window of this window: its control takes the focus.
bool PaintManager::HandleKillFocus(UINT, WPARAM wParam, LPARAM, LRESULT&) {
  if (!wParam)
    return false;
  HWND child = ::GetFocus();
  while (child && ::GetParent(child) != window_)
    child = ::GetParent(child);
  if (!child)
    return false;
  auto it = std::find(nativeWindows_.begin(), nativeWindows_.end(), child);
  if (it == nativeWindows_.end())
    return false;
  Control* control = nativeWindowControls_[it - nativeWindows_.begin()];
  if (control != focus_)
    SetFocusControl(control, PlatformFocus::Keep);
  return false;
}

bool PaintManager::HandlePaint(UINT, WPARAM, LPARAM, LRESULT& result) {
  PaintWindowMessage();
  result = 0;
  return true;
}

bool PaintManager::HandlePrintClient(UINT, WPARAM wParam, LPARAM lParam, LRESULT&) {
  if (root_)
    PrintClient(reinterpret_cast<HDC>(wParam), lParam);
  return false;
}

// Closing ends a press without a release: a button held while Escape or Alt+F4 closes the window
// must not activate.
bool PaintManager::HandleClose(UINT, WPARAM, LPARAM, LRESULT&) {
  if (Control* hover = std::exchange(hover_, nullptr)) {
    ControlEvent event = MakeEvent(ControlEventKind::MouseLeave, hover, 0, 0);
    hover->HandleEvent(event);
  }
  CancelPress();
  SetFocusControl(nullptr, PlatformFocus::Take);
  if (::GetActiveWindow() == window_) {
    const bool child = (::GetWindowLongPtrW(window_, GWL_STYLE) & WS_CHILD) != 0;
    HWND next = child ? ::GetParent(window_) : ::GetWindow(window_, GW_OWNER);
    if (next)
      ::SetFocus(next);
  }
  if (toolTipWindow_) {
    ::DestroyWindow(toolTipWindow_);
    toolTipWindow_ = nullptr;
  }
  return false;
}

bool PaintManager::HandleCaptureChanged(UINT, WPARAM, LPARAM lParam, LRESULT&) {
  OnCaptureChanged(reinterpret_cast<HWND>(lParam));
  return false;
}

// The system's default handling gives back a capture this window still holds.
bool PaintManager::HandleCancelMode(UINT, WPARAM, LPARAM, LRESULT&) {
  CancelPress();
  return false;
}

bool PaintManager::HandleEraseBackground(UINT, WPARAM, LPARAM, LRESULT& result) {
  result = 1;
  return true;
}

bool PaintManager::HandleSetCursor(UINT, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  if (!root_ || LOWORD(lParam) != HTCLIENT)
    return false;
  if (!mouseCaptured_) {
    POINT point = {0, 0};
    if (!::GetCursorPos(&point))
      return false;
    ::ScreenToClient(window_, &point);
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

bool PaintManager::HandleMouseActivate(UINT, WPARAM, LPARAM, LRESULT& result) {
  if (!noActivate_)
    return false;
  result = MA_NOACTIVATE;
  return true;
}

// The window's minimum and maximum tracking size from the skin's "mininfo" and "maxinfo"; a
// limit of zero leaves the system's value.
bool PaintManager::HandleGetMinMaxInfo(UINT, WPARAM, LPARAM lParam, LRESULT&) {
  if (!lParam)
    return false;
  MINMAXINFO& info = *reinterpret_cast<MINMAXINFO*>(lParam);
  const SIZE minSize = ScaledMinInfo();
  const SIZE maxSize = ScaledMaxInfo();
  if (minSize.cx > 0)
    info.ptMinTrackSize.x = minSize.cx;
  if (minSize.cy > 0)
    info.ptMinTrackSize.y = minSize.cy;
  if (maxSize.cx > 0)
    info.ptMaxTrackSize.x = maxSize.cx;
  if (maxSize.cy > 0)
    info.ptMaxTrackSize.y = maxSize.cy;
  return false;
}

bool PaintManager::HandleNotify(UINT, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  if (!lParam)
    return false;
  const auto* header = reinterpret_cast<const NMHDR*>(lParam);
  result = ::SendMessageW(header->hwndFrom, kReflectedMessageOffset + WM_NOTIFY, wParam, lParam);
  return true;
}

// Commands and colour requests go back to the native child window that sent them.
bool PaintManager::HandleReflected(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  if (!lParam)
    return false;
  result = ::SendMessageW(reinterpret_cast<HWND>(lParam), kReflectedMessageOffset + message, wParam,
                          lParam);
  return true;
}

bool PaintManager::HandleTimer(UINT, WPARAM wParam, LPARAM lParam, LRESULT&) {
  OnTimerMessage(LOWORD(wParam), lParam);
  return false;
}

}  // namespace ui
