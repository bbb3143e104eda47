#pragma once

#include <windows.h>

#include <cstdint>

#include "ui/core/control_event.h"
#include "ui/core/message_filter.h"
#include "ui/core/observer_list.h"
#include "ui/core/tool_tip_window.h"

namespace ui {

class Control;
class PaintManager;

// The input of a paint manager's window: the message filters, then a table of small handlers
// that turn mouse and keyboard messages into control events for the hover, pressed, focus and key
// controls, with the mouse capture that a press takes and the hovered control's tooltip; and,
// before queued messages are dispatched, the pre-filters, accelerators, Tab and Alt shortcuts.
// The manager owns the router and outlives it; the router points at controls, filters and
// accelerators without owning them.
class InputRouter {
 public:
  explicit InputRouter(PaintManager& manager) : manager_(manager) {}
  InputRouter(const InputRouter&) = delete;
  InputRouter& operator=(const InputRouter&) = delete;

  // The filters first: true when one took the message, with its answer in result.
  bool RunFilters(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);
  // An input message through the table; false for any other message, and for one that leaves
  // the window's default handling to run.
  bool Route(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);
  // A queued message before it is dispatched: pre-filters, Tab and Shift+Tab, Alt shortcuts.
  bool PreTranslate(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);
  bool TranslateAccelerators(MSG* message);

  bool AddPreFilter(IMessageFilter* filter);
  bool RemovePreFilter(IMessageFilter* filter);
  bool AddFilter(IMessageFilter* filter);
  bool RemoveFilter(IMessageFilter* filter);
  bool AddAccelerator(ITranslateAccelerator* accelerator);
  bool RemoveAccelerator(ITranslateAccelerator* accelerator);
  bool AddMouseLeaveListener(Control* control);
  bool RemoveMouseLeaveListener(Control* control);

  POINT MousePosition() const { return mousePosition_; }
  // The event for sender with the current time, mouse position and key state.
  ControlEvent MakeEvent(ControlEventKind kind,
                         Control* sender,
                         WPARAM wParam,
                         LPARAM lParam) const;
  void SetMouseCapture();
  void ReleaseMouseCapture();
  bool IsMouseCaptured() const { return mouseCaptured_; }

  // Drops every reference to a control that is going away; a pressed control gives the mouse
  // capture back.
  void Forget(Control* control);
  // A new tree: the hover, pressed and key controls of the old one are dropped.
  void ForgetTree() {
    keyControl_ = nullptr;
    hover_ = nullptr;
    // The press belonged to the old tree; the capture it took must not outlive it.
    if (pressed_ && mouseCaptured_)
      ReleaseMouseCapture();
    pressed_ = nullptr;
    toolTip_.ForgetAll();
  }
  // The window is closing: the hover control leaves, a press ends without a release and the
  // tooltip goes.
  void OnClose();
  // The window was destroyed and took its capture, its tracking and its tooltip with it.
  void OnWindowGone() {
    toolTip_.Release();
    mouseCaptured_ = false;
    mouseTracking_ = false;
    pressed_ = nullptr;
  }

 private:
  using Handler = bool (InputRouter::*)(UINT message,
                                        WPARAM wParam,
                                        LPARAM lParam,
                                        LRESULT& result);
  struct MessageRoute {
    UINT message;
    Handler handler;
  };
  static const MessageRoute kRoutes[];

  static uint16_t CurrentKeyState();
  // A control at point that belongs to this window; sets foreign when it belongs to another.
  Control* ControlAtPoint(POINT point, bool& foreign) const;

  // The mouse (input_router_mouse.cpp).
  bool HandleMouseMove(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);
  bool HandleButtonDown(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);
  bool HandleButtonUp(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);
  bool HandleMouseWheel(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);
  bool HandleMouseHover(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);
  bool HandleMouseLeave(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);
  bool HandleContextMenu(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);
  bool HandleSetCursor(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);
  bool HandleMouseActivate(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);
  bool HandleCaptureChanged(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);
  bool HandleCancelMode(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);
  // The hover control changes to the one under point.
  void MoveHover(Control*& control, POINT point, WPARAM wParam, LPARAM lParam);
  // Ends the press of the pressed control without a release (CaptureLost), and gives back the
  // capture when this window still holds it.
  void CancelPress();

  // The keyboard (input_router_keys.cpp).
  bool HandleKey(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);
  bool OnSysChar(WPARAM character);

  PaintManager& manager_;
  Control* hover_ = nullptr;
  Control* pressed_ = nullptr;
  Control* keyControl_ = nullptr;
  POINT mousePosition_ = {-1, -1};
  DWORD hoverTime_ = 1000;
  bool mouseTracking_ = false;
  bool mouseCaptured_ = false;
  ToolTipWindow toolTip_;
  ObserverList<IMessageFilter*> preFilters_;
  ObserverList<IMessageFilter*> filters_;
  ObserverList<ITranslateAccelerator*> accelerators_;
  ObserverList<Control*> mouseLeaveListeners_;
};

}  // namespace ui
