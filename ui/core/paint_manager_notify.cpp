#include <algorithm>

#include "ui/controls/control.h"
#include "ui/core/paint_manager.h"

namespace ui {

bool PaintManager::AddListener(INotifyListener* listener) {
  if (!listener)
    return false;
  listeners_.push_back(listener);
  return true;
}

bool PaintManager::RemoveListener(INotifyListener* listener) {
  auto it = std::find(listeners_.begin(), listeners_.end(), listener);
  if (it == listeners_.end())
    return false;
  listeners_.erase(it);
  return true;
}

void PaintManager::SendNotification(Control* sender,
                                    std::wstring_view type,
                                    uint32_t wParam,
                                    int32_t lParam,
                                    Dispatch dispatch,
                                    Repeats repeats) {
  Notification notification;
  notification.type = type;
  notification.sender = sender;
  notification.wParam = wParam;
  notification.lParam = lParam;
  SendNotification(notification, dispatch, repeats);
}

void PaintManager::SendNotification(Notification& notification,
                                    Dispatch dispatch,
                                    Repeats repeats) {
  notification.mousePoint = mousePosition_;
  notification.timestamp = ::GetTickCount();
  if (virtualWindowsUsed_ && notification.sender)
    notification.virtualWindow = notification.sender->GetVirtualWindow();

  if (dispatch == Dispatch::Now) {
    if (notification.sender)
      notification.sender->notifyHooks.Fire(&notification);
    // Listeners may add or remove listeners while they run, so walk by index.
    for (size_t i = 0; i < listeners_.size(); ++i)
      listeners_[i]->ReceiveNotification(notification);
    return;
  }
  if (repeats == Repeats::Merged) {
    for (Notification& queued : queuedNotifications_) {
      if (queued.sender == notification.sender && queued.type == notification.type) {
        if (virtualWindowsUsed_)
          queued.virtualWindow = notification.virtualWindow;
        queued.wParam = notification.wParam;
        queued.lParam = notification.lParam;
        queued.mousePoint = notification.mousePoint;
        queued.timestamp = notification.timestamp;
        return;
      }
    }
  }
  queuedNotifications_.push_back(notification);
  PostQueueMessage();
}

void PaintManager::PostQueueMessage() {
  if (queueMessagePosted_ || !window_)
    return;
  if (::PostMessageW(window_, kQueueMessage, 0, 0))
    queueMessagePosted_ = true;
}

void PaintManager::DrainQueue() {
  queueMessagePosted_ = false;
  // Each record leaves the queue before it is delivered: a listener may send more (handled in
  // this pass), destroy the sender (ForgetControl clears it in the records still queued) or
  // attach a new root (which empties the queue).
  while (!queuedNotifications_.empty()) {
    Notification notification = std::move(queuedNotifications_.front());
    queuedNotifications_.erase(queuedNotifications_.begin());
    if (notification.sender)
      notification.sender->notifyHooks.Fire(&notification);
    for (size_t i = 0; i < listeners_.size(); ++i)
      listeners_[i]->ReceiveNotification(notification);
  }
  DestroyDelayedCleanup();
}

}  // namespace ui
