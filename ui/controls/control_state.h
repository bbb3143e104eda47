#pragma once

#include <cstdint>

namespace ui {

// The state bits of buttons, options, sliders and scroll bar parts.
enum ControlStateBits : uint32_t {
  StateFocused = 0x1,
  StateSelected = 0x2,
  StateDisabled = 0x4,
  StateHot = 0x8,
  StatePushed = 0x10,
  StateCaptured = 0x40,
};

}  // namespace ui
