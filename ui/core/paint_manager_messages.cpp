#include <algorithm>
#include <cwchar>
#include <cwctype>
#include <utility>
#include <vector>

#include "ui/core/control.h"
#include "ui/core/paint_manager.h"
#include "ui/core/skin_settings.h"

// The window's messages: filters first, then input turned into control events for the hover,
// pressed, focus and key controls, tooltips, reflection to native child windows and painting.
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

// Whether the focused rich edit takes Tab itself. The rich edit answers through its "wanttab"
// attribute, on by default.
bool FocusWantsTab(Control* focus) {
  const wchar_t* className = focus->GetClassName();
  if (!className || !std::wcsstr(className, L"RichEdit"))
    return false;
  return focus->GetAttribute(L"wanttab") != L"false";
}

// Finds the control that Alt plus a shortcut letter selects (the root's Find with FindMeFirst |
// FindEnabled | FindTopFirst): the first control that is no label, visited at or after the one
// whose shortcut matches.
struct ShortcutVisitor {
  wchar_t character = 0;
  bool matched = false;

  static Control* Visit(Control* control, void* data) {
    auto* visitor = static_cast<ShortcutVisitor*>(data);
    if (!control->IsVisible())
      return nullptr;
    const wchar_t shortcut = control->GetShortcut();
    if (shortcut && static_cast<wchar_t>(std::towupper(shortcut)) == visitor->character)
      visitor->matched = true;
    const wchar_t* className = control->GetClassName();
    if (className && std::wcsstr(className, L"Label"))
      return nullptr;
    return visitor->matched ? control : nullptr;
  }
};

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

bool PaintManager::HandleWindowMessage(UINT message,
                                       WPARAM wParam,
                                       LPARAM lParam,
                                       LRESULT& result) {
  if (!window_)
    return false;
  // Everything below may call out to controls, listeners and filters.
  DispatchScope dispatch;

  bool filtered = false;
  LRESULT answer = 0;
  filters_.ForEach([&](IMessageFilter* filter) {
    bool handled = false;
    answer = filter->FilterMessage(message, wParam, lParam, handled);
    filtered = handled;
    return !handled;
  });
  if (filtered) {
    switch (message) {
      case WM_CONTEXTMENU:
      case WM_MOUSEWHEEL:
        mousePosition_ = ClientPointOfScreen(window_, lParam);
        break;
      case WM_MOUSEMOVE:
      case WM_LBUTTONDOWN:
      case WM_LBUTTONUP:
      case WM_LBUTTONDBLCLK:
        mousePosition_ = PointOf(lParam);
        break;
      default:
        break;
    }
    result = answer;
    return true;
  }

  if (layered_) {
    switch (message) {
      case WM_NCCALCSIZE:
      case WM_NCPAINT:
        result = 0;
        return true;
      case WM_NCACTIVATE:
        if (!::IsIconic(window_)) {
          result = wParam == 0 ? TRUE : FALSE;
          return true;
        }
        break;
      default:
        break;
    }
  }

  switch (message) {
    case kQueueMessage:
      DrainQueue();
      return false;
    case WM_SIZE: {
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
    case WM_KILLFOCUS:
      if (wParam)
        OnKillFocusMessage(reinterpret_cast<HWND>(wParam));
      return false;
    case WM_PAINT:
      PaintWindowMessage();
      result = 0;
      return true;
    case WM_PRINTCLIENT:
      if (root_)
        PrintClient(reinterpret_cast<HDC>(wParam), lParam);
      return false;
    case WM_CLOSE:
      OnCloseMessage();
      return false;
    case WM_CAPTURECHANGED:
      OnCaptureChanged(reinterpret_cast<HWND>(lParam));
      return false;
    case WM_CANCELMODE:
      // The system's default handling gives back a capture this window still holds.
      CancelPress();
      return false;
    case WM_ERASEBKGND:
      result = 1;
      return true;
    case WM_SETCURSOR:
      if (OnSetCursorMessage(wParam, lParam)) {
        result = TRUE;
        return true;
      }
      return false;
    case WM_MOUSEACTIVATE:
      if (!noActivate_)
        return false;
      result = MA_NOACTIVATE;
      return true;
    case WM_GETMINMAXINFO:
      if (lParam)
        ApplySizeLimits(*reinterpret_cast<MINMAXINFO*>(lParam));
      return false;
    case WM_NOTIFY: {
      if (!lParam)
        return false;
      const auto* header = reinterpret_cast<const NMHDR*>(lParam);
      result =
          ::SendMessageW(header->hwndFrom, kReflectedMessageOffset + WM_NOTIFY, wParam, lParam);
      return true;
    }
    case WM_COMMAND:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORSTATIC:
      if (!lParam)
        return false;
      result = ::SendMessageW(reinterpret_cast<HWND>(lParam), kReflectedMessageOffset + message,
                              wParam, lParam);
      return true;
    case WM_CONTEXTMENU: {
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
    case WM_KEYDOWN:
    case WM_KEYUP:
    case WM_CHAR:
      if (root_)
        RouteKeyMessage(message, wParam, lParam);
      return false;
    case WM_TIMER:
      OnTimerMessage(LOWORD(wParam), lParam);
      return false;
    case WM_MOUSEMOVE:
    case WM_LBUTTONDOWN:
    case WM_LBUTTONUP:
    case WM_LBUTTONDBLCLK:
    case WM_RBUTTONDOWN:
    case WM_MOUSEWHEEL:
    case WM_MOUSEHOVER:
    case WM_MOUSELEAVE:
      return RouteMouseMessage(message, wParam, lParam, result);
    default:
      return false;
  }
}

bool PaintManager::RouteMouseMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  switch (message) {
    case WM_MOUSEMOVE:
      if (root_)
        OnMouseMove(PointOf(lParam), wParam, lParam);
      return false;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
    case WM_RBUTTONDOWN: {
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
      ControlEvent event = MakeEvent(message == WM_LBUTTONDOWN ? ControlEventKind::ButtonDown
                                                               : ControlEventKind::RightButtonDown,
                                     control, wParam, lParam);
      event.keyState = LOWORD(wParam);
      control->HandleEvent(event);
      return false;
    }
    case WM_LBUTTONUP: {
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
    case WM_MOUSEWHEEL: {
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
    case WM_MOUSEHOVER:
      if (!root_ || !OnMouseHover(PointOf(lParam), wParam, lParam))
        return false;
      result = 0;
      return true;
    case WM_MOUSELEAVE:
      if (root_)
        OnMouseLeaveMessage();
      return false;
    default:
      return false;
  }
}

void PaintManager::RouteKeyMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  Control* target = nullptr;
  ControlEventKind kind = ControlEventKind::Char;
  switch (message) {
    case WM_KEYDOWN:
      // The key's release goes where the key went down, even if the focus moves meanwhile.
      if (focus_)
        keyControl_ = focus_;
      target = focus_;
      kind = ControlEventKind::KeyDown;
      break;
    case WM_KEYUP:
      target = std::exchange(keyControl_, nullptr);
      kind = ControlEventKind::KeyUp;
      break;
    default:
      target = focus_;
      break;
  }
  if (!target)
    return;
  ControlEvent event = MakeEvent(kind, target, wParam, lParam);
  event.keyChar = static_cast<wchar_t>(wParam);
  target->HandleEvent(event);
}

// A limit of zero leaves the system's value.
void PaintManager::ApplySizeLimits(MINMAXINFO& info) const {
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

// Closing ends a press without a release: a button held while Escape or Alt+F4 closes the window
// must not activate.
void PaintManager::OnCloseMessage() {
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
}

void PaintManager::OnKillFocusMessage(HWND) {
  // The focus went to a native child window of this window: its control takes the focus.
  HWND child = ::GetFocus();
  while (child && ::GetParent(child) != window_)
    child = ::GetParent(child);
  if (!child)
    return;
  auto it = std::find(nativeWindows_.begin(), nativeWindows_.end(), child);
  if (it == nativeWindows_.end())
    return;
  Control* control = nativeWindowControls_[it - nativeWindows_.begin()];
  if (control != focus_)
    SetFocusControl(control, PlatformFocus::Keep);
}

bool PaintManager::OnSetCursorMessage(WPARAM wParam, LPARAM lParam) {
  if (!root_ || LOWORD(lParam) != HTCLIENT)
    return false;
  if (mouseCaptured_)
    return true;
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
  return true;
}

void PaintManager::ShowToolTip(Control* control, POINT point) {
  std::wstring text = control->GetToolTip();
  if (text.empty())
    return;
  toolTipText_ = ReplaceLanguagePlaceholders(text);
  toolInfo_ = {};
  toolInfo_.cbSize = TTTOOLINFOW_V2_SIZE;
  toolInfo_.uFlags = TTF_IDISHWND;
  toolInfo_.hwnd = window_;
  toolInfo_.uId = reinterpret_cast<UINT_PTR>(window_);
  toolInfo_.hinst = ProgramModule();
  toolInfo_.lpszText = toolTipText_.data();
  toolInfo_.rect = control->GetRect();
  const LPARAM info = reinterpret_cast<LPARAM>(&toolInfo_);
  if (!toolTipWindow_) {
    toolTipWindow_ = ::CreateWindowExW(
        0, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_NOPREFIX | TTS_ALWAYSTIP, CW_USEDEFAULT,
        CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, window_, nullptr, ProgramModule(), nullptr);
    if (!toolTipWindow_)
      return;
    ::SendMessageW(toolTipWindow_, TTM_ADDTOOLW, 0, info);
    ::SendMessageW(toolTipWindow_, TTM_SETMAXTIPWIDTH, 0, control->GetToolTipWidth());
    ::SendMessageW(toolTipWindow_, TTM_SETTOOLINFOW, 0, info);
    ::SendMessageW(toolTipWindow_, TTM_TRACKACTIVATE, TRUE, info);
  }
  if (!lastToolTipControl_) {
    lastToolTipControl_ = control;
  } else {
    const int width = control->GetToolTipWidth();
    if (control != lastToolTipControl_ || width != cachedToolTipWidth_) {
      ::SendMessageW(toolTipWindow_, TTM_SETMAXTIPWIDTH, 0, width);
      if (control == lastToolTipControl_)
        cachedToolTipWidth_ = width;
    }
    ::SendMessageW(toolTipWindow_, TTM_SETTOOLINFOW, 0, info);
    ::SendMessageW(toolTipWindow_, TTM_TRACKACTIVATE, TRUE, info);
  }
  ::SendMessageW(toolTipWindow_, TTM_TRACKPOSITION, 0, LParamOf(point));
}

void PaintManager::HideToolTip() {
  if (toolTipWindow_) {
    ::SendMessageW(toolTipWindow_, TTM_TRACKACTIVATE, FALSE, reinterpret_cast<LPARAM>(&toolInfo_));
  }
}

bool PaintManager::PreTranslate(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  DispatchScope dispatch;
  bool consumed = false;
  preFilters_.ForEach([&](IMessageFilter* filter) {
    bool handled = false;
    const LRESULT answer = filter->FilterMessage(message, wParam, lParam, handled);
    if (handled) {
      result = answer;
      consumed = true;
    }
    return !consumed;
  });
  if (consumed)
    return true;
  switch (message) {
    case WM_KEYDOWN:
      if (wParam != VK_TAB)
        return false;
      if (focus_ && focus_->IsVisible() && focus_->IsEnabled() && FocusWantsTab(focus_))
        return false;
      MoveFocusByTab(::GetKeyState(VK_SHIFT) < 0 ? TabDirection::Backward : TabDirection::Forward);
      return true;
    case WM_SYSKEYDOWN:
      if (focus_) {
        ControlEvent event = MakeEvent(ControlEventKind::SysKey, focus_, 0, 0);
        event.keyChar = static_cast<wchar_t>(wParam);
        focus_->HandleEvent(event);
      }
      return false;
    case WM_SYSCHAR:
      return OnSysChar(wParam);
    default:
      return false;
  }
}

bool PaintManager::OnSysChar(WPARAM character) {
  if (!root_)
    return false;
  ShortcutVisitor visitor;
  visitor.character = static_cast<wchar_t>(std::towupper(static_cast<wchar_t>(character)));
  Control* control =
      root_->Find(ShortcutVisitor::Visit, &visitor, FindMeFirst | FindEnabled | FindTopFirst);
  if (!control)
    return false;
  DispatchScope dispatch;
  control->SetFocus();
  // A listener of the focus change may have destroyed the control.
  if (control->IsAlive())
    control->Activate();
  return true;
}

}  // namespace ui
