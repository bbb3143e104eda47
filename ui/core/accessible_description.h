#pragma once

#include <cstdint>
#include <string>

namespace ui {

// What a control is to a screen reader, in Active Accessibility's terms. Role and state hold
// oleacc.h's ROLE_SYSTEM_* and STATE_SYSTEM_* numbers; a role of 0 keeps the control out of the
// accessible tree (a layout, a spacer), though its children are still in it.
struct AccessibleDescription {
  long role = 0;
  uint32_t state = 0;
  std::wstring name;
  std::wstring value;
  // The verb of the default action ("Press"); empty when the control has none.
  std::wstring defaultAction;
};

}  // namespace ui
