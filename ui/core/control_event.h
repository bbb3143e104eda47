#pragma once

#include <windows.h>

#include <cstdint>

namespace ui {

class Control;

// Input kinds handed to Control::HandleEvent. The numbers are fixed: mouse events are exactly the
// kinds between MouseBegin and MouseEnd (exclusive).
enum class ControlEventKind : int32_t {
  KeyDown = 3,
  KeyUp = 4,
  Char = 5,
  SysKey = 6,
  MouseBegin = 8,
  MouseMove = 9,
  MouseLeave = 10,
  MouseEnter = 11,
  MouseHover = 12,
  ButtonDown = 13,
  ButtonUp = 14,
  RightButtonDown = 15,
  DoubleClick = 16,
  ContextMenu = 17,
  ScrollWheel = 18,
  MouseEnd = 19,
  KillFocus = 20,
  SetFocus = 21,
  WindowSize = 22,
  SetCursor = 23,
  Timer = 24,
  // The press ends without a release: the window lost the mouse capture, or is closing. The
  // pressed control drops its pushed state and activates nothing.
  CaptureLost = 25,
};

inline bool IsMouseEvent(ControlEventKind kind) {
  return kind > ControlEventKind::MouseBegin && kind < ControlEventKind::MouseEnd;
}

// Bits of ControlEvent::keyState.
enum KeyStateBits : uint16_t {
  KeyStateLeftButton = 0x01,
  KeyStateRightButton = 0x02,
  KeyStateShift = 0x04,
  KeyStateControl = 0x08,
  KeyStateAlt = 0x20,
};

// The input record a control receives from its paint manager.
struct ControlEvent {
  ControlEventKind kind = ControlEventKind::MouseMove;
  Control* sender = nullptr;
  uint32_t timestamp = 0;
  POINT mousePoint = {0, 0};
  wchar_t keyChar = 0;
  uint16_t keyState = 0;
  uint32_t wParam = 0;
  int32_t lParam = 0;
};

}  // namespace ui
