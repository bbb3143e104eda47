#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "ui/core/notification.h"

namespace ui::testing_support {

// Keeps a copy of every notification a paint manager's listeners receive, in order. Register it
// before the manager goes away, or declare it first: a manager may still notify while it tears
// down.
class NotificationLog : public INotifyListener {
 public:
  void ReceiveNotification(Notification& notification) override {
    received.push_back(notification);
  }

  std::vector<std::wstring> Types() const {
    std::vector<std::wstring> types;
    for (const Notification& entry : received)
      types.push_back(entry.type);
    return types;
  }

  // The wParam of every notification of this type, in order.
  std::vector<uint32_t> ParamsOf(const wchar_t* type) const {
    std::vector<uint32_t> params;
    for (const Notification& entry : received) {
      if (entry.type == type)
        params.push_back(entry.wParam);
    }
    return params;
  }

  std::vector<Notification> received;
};

}  // namespace ui::testing_support
