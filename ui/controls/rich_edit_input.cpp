#include "ui/controls/rich_edit.h"

#include "base/rect_math.h"
#include "ui/controls/rich_edit_host.h"
#include "ui/controls/text_services_library.h"
#include "ui/core/paint_manager.h"

// The window's input for the text service: the message filter that hands keyboard and mouse
// messages to the service while the field has the focus (or the service holds the mouse), Return
// kept back when the field does not want it, and the control events of focus, cursor and timers.
namespace ui {
namespace {

POINT PointOf(LPARAM lParam) {
  return {static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
}

bool IsMouseMessage(UINT message) {
  return message >= WM_MOUSEFIRST && message <= WM_MOUSEWHEEL;
}

bool IsKeyMessage(UINT message) {
  return message >= WM_KEYFIRST && message <= WM_KEYLAST;
}

bool IsControlHeld() {
  return ::GetKeyState(VK_CONTROL) < 0;
}

}  // namespace

HRESULT RichEdit::SendToService(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) {
  LRESULT ignored = 0;
  LRESULT& answer = result ? *result : ignored;
  if (!host_ || !host_->Services())
    return S_FALSE;
  if ((message == WM_KEYDOWN && wParam == VK_RETURN) ||
      (message == WM_CHAR && (wParam == L'\r' || wParam == L'\n'))) {
    // The character that the key becomes is kept back too, or it would still break the line.
    if (!TakesReturn()) {
      answer = 0;
      if (message == WM_KEYDOWN && manager_)
        manager_->SendNotification(this, L"return");
      return S_OK;
    }
  }
  base::ComPtr<ITextServices> services = host_->ServicesRef();
  return services->TxSendMessage(message, wParam, lParam, &answer);
}

bool RichEdit::TakesReturn() const {
  if (!wantReturn_)
    return false;
  return !(IsControlHeld() && !wantCtrlReturn_);
}

bool RichEdit::FilterMouse(UINT message, LPARAM lParam, bool& reportHandled) {
  HWND window = manager_->PaintWindow();
  if (!host_->HasFlag(HostCaptured)) {
    POINT point;
    if (message == WM_SETCURSOR) {
      ::GetCursorPos(&point);
      ::ScreenToClient(window, &point);
    } else if (message == WM_MOUSEWHEEL) {
      point = PointOf(lParam);
      ::ScreenToClient(window, &point);
    } else {
      point = PointOf(lParam);
    }
    if (message >= WM_LBUTTONDOWN && message <= WM_RBUTTONUP &&
        manager_->FindControlAt(point) != this) {
      return false;
    }
    if (!base::RectContains(host_->ClientRect(), point) || manager_->IsMouseCaptured())
      return false;
  }
  // The service sets the cursor and follows the mouse, and the window still sees both: it keeps
  // the cursor shape and the hover states of the controls around the field up to date.
  if (message == WM_SETCURSOR || message == WM_MOUSEMOVE)
    reportHandled = false;
  if (message == WM_LBUTTONDOWN || message == WM_LBUTTONDBLCLK || message == WM_RBUTTONDOWN) {
    if (!manager_->IsNoActivate())
      ::SetFocus(window);
    SetFocus();
  }
  return true;
}

void RichEdit::PlaceCompositionWindow() {
  const Imm32Functions& imm = Imm32();
  HWND window = manager_->PaintWindow();
  if (!imm.getContext || !imm.releaseContext || !window)
    return;
  HIMC context = imm.getContext(window);
  if (!context)
    return;
  if (imm.setCompositionWindow) {
    COMPOSITIONFORM form = {};
    form.dwStyle = CFS_FORCE_POSITION;
    ::GetCaretPos(&form.ptCurrentPos);
    imm.setCompositionWindow(context, &form);
  }
  if (imm.setCompositionFont) {
    LOGFONTW description = {};
    if (HFONT font = manager_->GetFont(font_);
        font && ::GetObjectW(font, sizeof(description), &description)) {
      imm.setCompositionFont(context, &description);
    }
  }
  imm.releaseContext(window, context);
}

void RichEdit::EndServiceDrag() {
  if (!host_ || !host_->HasFlag(HostCaptured))
    return;
  // Cleared first: giving the capture back tells the window, whose filters include this one.
  host_->SetFlag(HostCaptured, false);
  if (manager_)
    manager_->ReleaseMouseCapture();
  // The service ends its drag on the button's release (it takes no notice of a lost capture):
  // the release comes where the pointer was last seen, so the selection stays as dragged.
  if (manager_) {
    const POINT last = manager_->GetMousePos();
    SendToService(WM_LBUTTONUP, 0, MAKELPARAM(static_cast<WORD>(last.x), static_cast<WORD>(last.y)),
                  nullptr);
  }
}

LRESULT RichEdit::FilterMessage(UINT message, WPARAM wParam, LPARAM lParam, bool& handled) {
  handled = false;
  if (!IsAlive() || !host_ || !manager_ || !manager_->PaintWindow())
    return 0;
  // The service's drag ends when the window loses the mouse, whatever the field's state; the
  // paint manager still sees the message.
  if (message == WM_CANCELMODE ||
      (message == WM_CAPTURECHANGED && reinterpret_cast<HWND>(lParam) != manager_->PaintWindow())) {
    EndServiceDrag();
    return 0;
  }
  if (!IsVisible() || !IsEnabled())
    return 0;
  const bool mouse = IsMouseMessage(message);
  if (mouse && !IsMouseEnabled())
    return 0;
  if (message == WM_MOUSEWHEEL && !(LOWORD(wParam) & MK_CONTROL))
    return 0;

  // Taking the focus and the service's reports reach the listeners, who may destroy this control.
  DispatchScope dispatch;
  bool reportHandled = true;
  if (mouse || message == WM_SETCURSOR) {
    if (!FilterMouse(message, lParam, reportHandled))
      return 0;
    // The field took the focus for this click and was destroyed by a listener: the click was
    // its, and goes no further.
    if (!IsAlive()) {
      handled = true;
      return 0;
    }
  } else if (IsKeyMessage(message)) {
    if (!IsFocused())
      return 0;
  } else if (message == WM_IME_STARTCOMPOSITION) {
    if (IsFocused())
      PlaceCompositionWindow();
    return 0;
  } else if (message == WM_CONTEXTMENU) {
    POINT point = PointOf(lParam);
    ::ScreenToClient(manager_->PaintWindow(), &point);
    if (manager_->FindControlAt(point) != this)
      return 0;
  } else if (message == WM_HELP) {
    reportHandled = false;
  } else {
    return 0;
  }

  LRESULT result = 0;
  const HRESULT processed = SendToService(message, wParam, lParam, &result);
  if (processed == S_OK)
    handled = reportHandled;
  else if (message == WM_CHAR || message == WM_IME_CHAR)
    handled = true;
  else if (mouse && reportHandled)
    handled = IsAlive() && host_ && host_->HasFlag(HostCaptured);
  return result;
}

RECT RichEdit::CaretRect() const {
  const POINT position = host_->CaretPosition();
  const SIZE size = host_->CaretSize();
  return {position.x, position.y, position.x + size.cx, position.y + size.cy};
}

void RichEdit::InvalidateCaret() {
  RECT area = CaretRect();
  if (manager_ && ClipByAncestors(area) && base::IntersectRects(area, rect_, area))
    manager_->Invalidate(area);
}

void RichEdit::OnEvent(ControlEvent& event) {
  switch (event.kind) {
    case ControlEventKind::SetCursor:
      if (IsEnabled() && host_ && host_->Services() &&
          base::RectContains(host_->ClientRect(), event.mousePoint)) {
        const RECT client = host_->ClientRect();
        if (host_->Services()->OnTxSetCursor(
                DVASPECT_CONTENT, -1, nullptr, nullptr, manager_ ? manager_->PaintDC() : nullptr,
                nullptr, &client, event.mousePoint.x, event.mousePoint.y) == S_OK) {
          return;
        }
      }
      break;
    case ControlEventKind::WindowSize:
      if (host_)
        host_->SetFlag(HostCaretDirty, true);
      break;
    case ControlEventKind::SetFocus:
    case ControlEventKind::KillFocus: {
      const bool gaining = event.kind == ControlEventKind::SetFocus;
      if (host_) {
        if (!host_->HasFlag(HostInPlaceActive))
          host_->InPlaceActivate();
        SendToService(gaining ? WM_SETFOCUS : WM_KILLFOCUS, 0, 0, nullptr);
        if (!IsAlive())
          return;
      }
      focused_ = gaining;
      Invalidate();
      return;
    }
    case ControlEventKind::Timer:
      if (event.wParam == kCaretTimer) {
        if (host_ && manager_ && manager_->IsLayered() && IsFocused() &&
            ::GetFocus() == manager_->PaintWindow()) {
          caretOn_ = !caretOn_;
          InvalidateCaret();
        }
        return;
      }
      SendToService(WM_TIMER, event.wParam, 0, nullptr);
      return;
    case ControlEventKind::ScrollWheel:
      if (event.keyState & KeyStateControl)
        return;
      break;
    case ControlEventKind::ButtonDown:
    case ControlEventKind::DoubleClick:
    case ControlEventKind::MouseMove:
    case ControlEventKind::ButtonUp:
    case ControlEventKind::KeyDown:
    case ControlEventKind::KeyUp:
    case ControlEventKind::Char:
    case ControlEventKind::SysKey:
      return;
    default:
      break;
  }
  Container::OnEvent(event);
}

}  // namespace ui
