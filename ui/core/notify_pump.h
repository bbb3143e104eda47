#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "ui/core/notification.h"

namespace ui {

class NotifyPump;

// How a message-map entry calls its handler.
enum class NotifyHandlerKind : int {
  End = 0,               // ends a map
  WithParams = 1,        // handler(wParam, lParam)
  WithNotification = 2,  // handler(notification)
};

using NotifyParamsHandler = void (NotifyPump::*)(uint32_t wParam, int32_t lParam);
using NotifyHandler = void (NotifyPump::*)(Notification& notification);

// One entry of a message map: notifications of type from the control named controlName (empty:
// any control) go to the handler.
struct NotifyMapEntry {
  const wchar_t* type = L"";
  const wchar_t* controlName = L"";
  NotifyHandlerKind kind = NotifyHandlerKind::End;
  NotifyParamsHandler paramsHandler = nullptr;
  NotifyHandler handler = nullptr;
};

// A class's message map: its entries, ending with an entry of kind End, and the map of its base
// class (null at the top).
struct NotifyMessageMap {
  const NotifyMessageMap* baseMap;
  const NotifyMapEntry* entries;
};

// A window class T derived from NotifyPump declares its map as a static member and answers it
// from GetMessageMap:
//   const NotifyMapEntry kEntries[] = {
//       OnNotify(L"click", L"btn_close", &MyWindow::OnClose), NotifyMapEnd()};
//   const NotifyMessageMap MyWindow::kMessageMap = {&SkinWindow::kMessageMap, kEntries};
template <typename T>
constexpr NotifyMapEntry OnNotify(const wchar_t* type,
                                  const wchar_t* controlName,
                                  void (T::*handler)(Notification&)) {
  return {type, controlName, NotifyHandlerKind::WithNotification, nullptr,
          static_cast<NotifyHandler>(handler)};
}
template <typename T>
constexpr NotifyMapEntry OnNotifyParams(const wchar_t* type,
                                        const wchar_t* controlName,
                                        void (T::*handler)(uint32_t, int32_t)) {
  return {type, controlName, NotifyHandlerKind::WithParams,
          static_cast<NotifyParamsHandler>(handler), nullptr};
}
constexpr NotifyMapEntry NotifyMapEnd() {
  return {};
}

// Routes notifications to member functions of a window class through the message maps of the
// class and its bases, or to the pump registered for the sender's virtual window. The pump does
// not own the pumps of its virtual windows.
class NotifyPump {
 public:
  NotifyPump() = default;
  NotifyPump(const NotifyPump&) = delete;
  NotifyPump& operator=(const NotifyPump&) = delete;

  // The message map of the class; the base's is empty.
  virtual const NotifyMessageMap* GetMessageMap() const;
  static const NotifyMessageMap kMessageMap;

  // True when a handler took the notification: first a pump registered under the notification's
  // virtual-window name, else the maps of this class, most derived first. In a map an entry for
  // the sender's name wins over an entry for any control; a notification without a sender (it
  // was destroyed while the notification waited) matches only entries for any control.
  bool PumpNotification(Notification& notification);

  // Registers pump for the virtual-window name (compared without regard to case); false for a
  // null pump or an empty name.
  bool AddVirtualWindow(std::wstring_view name, NotifyPump* pump);
  bool RemoveVirtualWindow(std::wstring_view name);

 protected:
  ~NotifyPump() = default;

 private:
  bool DispatchThroughMaps(Notification& notification);

  std::vector<std::pair<std::wstring, NotifyPump*>> virtualWindows_;
};

}  // namespace ui
