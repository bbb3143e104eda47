#include <algorithm>
#include <iterator>
#include <utility>

#include "ui/core/control.h"
#include "ui/core/paint_manager.h"

// The window's messages: the input router's filters, the layered frame, the input router's table
// of input messages, then the table below of the window's own: the queue, size, paint, close,
// timers, size limits and the messages reflected to native child windows.
namespace ui {

const PaintManager::MessageRoute PaintManager::kMessageRoutes[] = {
    {kQueueMessage, &PaintManager::HandleQueue},
    {WM_SIZE, &PaintManager::HandleSize},
    {WM_KILLFOCUS, &PaintManager::HandleKillFocus},
    {WM_PAINT, &PaintManager::HandlePaint},
    {WM_PRINTCLIENT, &PaintManager::HandlePrintClient},
    {WM_CLOSE, &PaintManager::HandleClose},
    {WM_ERASEBKGND, &PaintManager::HandleEraseBackground},
    {WM_GETMINMAXINFO, &PaintManager::HandleGetMinMaxInfo},
    {WM_NOTIFY, &PaintManager::HandleNotify},
    {WM_COMMAND, &PaintManager::HandleReflected},
    {WM_CTLCOLOREDIT, &PaintManager::HandleReflected},
    {WM_CTLCOLORSTATIC, &PaintManager::HandleReflected},
    {WM_TIMER, &PaintManager::HandleTimer},
};

bool PaintManager::HandleWindowMessage(UINT message,
                                       WPARAM wParam,
                                       LPARAM lParam,
                                       LRESULT& result) {
  if (!window_)
    return false;
  // Everything below may call out to controls, listeners and filters.
  DispatchScope dispatch;
  if (input_.RunFilters(message, wParam, lParam, result) ||
      layered_.HandleFrameMessage(message, wParam, result)) {
    return true;
  }
  // The two tables share no message.
  return input_.Route(message, wParam, lParam, result) ||
         RouteWindowMessage(message, wParam, lParam, result);
}

bool PaintManager::RouteWindowMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  const auto route =
      std::find_if(std::begin(kMessageRoutes), std::end(kMessageRoutes),
                   [message](const MessageRoute& r) { return r.message == message; });
  if (route == std::end(kMessageRoutes))
    return false;
  return (this->*route->handler)(message, wParam, lParam, result);
}

bool PaintManager::HandleQueue(UINT, WPARAM, LPARAM, LRESULT&) {
  DrainQueue();
  return false;
}

bool PaintManager::HandleSize(UINT, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  if (focus_) {
    ControlEvent event = input_.MakeEvent(ControlEventKind::WindowSize, focus_, wParam, lParam);
    focus_->HandleEvent(event);
  }
  if (root_)
    root_->RequestLayout();
  if (IsLayered())
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

// The input router ends the hover and any press without a release (a button held while Escape
// or Alt+F4 closes the window must not activate); the focus goes back to the owner.
bool PaintManager::HandleClose(UINT, WPARAM, LPARAM, LRESULT&) {
  input_.OnClose();
  SetFocusControl(nullptr, PlatformFocus::Take);
  if (::GetActiveWindow() == window_) {
    const bool child = (::GetWindowLongPtrW(window_, GWL_STYLE) & WS_CHILD) != 0;
    HWND next = child ? ::GetParent(window_) : ::GetWindow(window_, GW_OWNER);
    if (next)
      ::SetFocus(next);
  }
  return false;
}

bool PaintManager::HandleEraseBackground(UINT, WPARAM, LPARAM, LRESULT& result) {
  result = 1;
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

// The layered repaint timer, which paints what Invalidate collected, or a control's timer.
bool PaintManager::HandleTimer(UINT, WPARAM wParam, LPARAM lParam, LRESULT&) {
  const uint32_t nativeId = LOWORD(wParam);
  if (IsLayered() && nativeId == kLayeredTimerId) {
    if (layered_.HasDirtyArea() && !::IsIconic(window_))
      PaintWindowMessage();
    return false;
  }
  TimerTable::Entry timer;
  if (!timers_.Find(nativeId, timer))
    return false;
  ControlEvent event = input_.MakeEvent(ControlEventKind::Timer, timer.control, timer.timerId, 0);
  event.lParam = static_cast<int32_t>(lParam);
  timer.control->HandleEvent(event);
  return false;
}

}  // namespace ui
