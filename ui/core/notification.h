#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

namespace ui {

class Control;

// What a control tells the window's listeners, e.g. "click" or "tabselect".
struct Notification {
  std::wstring type;
  std::wstring virtualWindow;
  Control* sender = nullptr;
  uint32_t timestamp = 0;
  POINT mousePoint = {0, 0};
  uint32_t wParam = 0;
  int32_t lParam = 0;
};

// Hears the notifications of the paint managers it is added to, which do not own it.
class INotifyListener {
 public:
  virtual void ReceiveNotification(Notification& notification) = 0;

 protected:
  ~INotifyListener() = default;
};

// How SendNotification delivers: to the listeners before it returns, or through the window's
// queue message.
enum class Dispatch { Now, Queued };
// Whether a queued notification may stand in the queue beside an earlier one of the same sender
// and type, or updates that one instead.
enum class Repeats { Allowed, Merged };

}  // namespace ui
