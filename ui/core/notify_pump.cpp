#include "ui/core/notify_pump.h"

#include "base/string_compare.h"
#include "ui/core/control.h"

namespace ui {
namespace {

const NotifyMapEntry kNoEntries[] = {NotifyMapEnd()};

}  // namespace

const NotifyMessageMap NotifyPump::kMessageMap = {nullptr, kNoEntries};

const NotifyMessageMap* NotifyPump::GetMessageMap() const {
  return &kMessageMap;
}

bool NotifyPump::AddVirtualWindow(std::wstring_view name, NotifyPump* pump) {
  if (name.empty() || !pump)
    return false;
  virtualWindows_.emplace_back(std::wstring(name), pump);
  return true;
}

bool NotifyPump::RemoveVirtualWindow(std::wstring_view name) {
  return std::erase_if(virtualWindows_, [&](const auto& entry) {
           return base::EqualsIgnoringCase(entry.first, name);
         }) > 0;
}

bool NotifyPump::PumpNotification(Notification& notification) {
  if (!notification.virtualWindow.empty()) {
    for (const auto& [name, pump] : virtualWindows_) {
      if (base::EqualsIgnoringCase(name, notification.virtualWindow) &&
          pump->DispatchThroughMaps(notification))
        return true;
    }
  }
  return DispatchThroughMaps(notification);
}

bool NotifyPump::DispatchThroughMaps(Notification& notification) {
  // A sender that was destroyed while its notification waited has no name: only entries for any
  // control can take such a notification.
  const std::wstring senderName = notification.sender ? notification.sender->GetName() : L"";
  for (const NotifyMessageMap* map = GetMessageMap(); map; map = map->baseMap) {
    const NotifyMapEntry* found = nullptr;
    for (const NotifyMapEntry* entry = map->entries; entry->kind != NotifyHandlerKind::End;
         ++entry) {
      if (notification.type != entry->type)
        continue;
      const std::wstring_view controlName = entry->controlName ? entry->controlName : L"";
      if (!controlName.empty()) {
        if (notification.sender && controlName == senderName) {
          found = entry;
          break;
        }
      } else {
        found = entry;  // the last entry for any control counts
      }
    }
    if (!found)
      continue;
    switch (found->kind) {
      case NotifyHandlerKind::WithParams:
        if (!found->paramsHandler)
          return false;
        (this->*(found->paramsHandler))(notification.wParam, notification.lParam);
        return true;
      case NotifyHandlerKind::WithNotification:
        if (!found->handler)
          return false;
        (this->*(found->handler))(notification);
        return true;
      default:
        return false;
    }
  }
  return false;
}

}  // namespace ui
