#include "ui/core/control.h"
#include "ui/core/paint_manager.h"

namespace ui {

bool PaintManager::AddListener(INotifyListener* listener) {
  if (!listener)
    return false;
  listeners_.Add(listener);
  return true;
}

bool PaintManager::RemoveListener(INotifyListener* listener) {
  return listeners_.Remove(listener);
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
  // A destroyed control is nobody's sender any more.
  if (notification.sender && !notification.sender->IsAlive())
    notification.sender = nullptr;
  notification.mousePoint = input_.MousePosition();
  notification.timestamp = ::GetTickCount();
  if (virtualWindowsUsed_ && notification.sender)
    notification.virtualWindow = notification.sender->GetVirtualWindow();

  if (dispatch == Dispatch::Now) {
    Deliver(notification);
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

void PaintManager::Deliver(Notification& notification) {
  // The sender's hooks and every listener may destroy the sender: the ones after them hear of it
  // with no sender.
  DispatchScope dispatch;
  Control* sender = notification.sender;
  auto forgetDestroyedSender = [&] {
    if (notification.sender == sender && sender && !sender->IsAlive())
      notification.sender = nullptr;
  };
  if (sender) {
    sender->notifyHooks.Fire(&notification);
    forgetDestroyedSender();
  }
  listeners_.ForEach([&](INotifyListener* listener) {
    listener->ReceiveNotification(notification);
    forgetDestroyedSender();
  });
}

void PaintManager::PostQueueMessage() {
  if (queueMessagePosted_ || !window_)
    return;
  if (::PostMessageW(window_, kQueueMessage, 0, 0))
    queueMessagePosted_ = true;
}

void PaintManager::DrainQueue() {
  DispatchScope dispatch;
  queueMessagePosted_ = false;
  // Each record leaves the queue before it is delivered: a listener may send more (handled in
  // this pass), destroy the sender (ForgetControl clears it in the records still queued) or
  // attach a new root (which empties the queue).
  while (!queuedNotifications_.empty()) {
    Notification notification = std::move(queuedNotifications_.front());
    queuedNotifications_.erase(queuedNotifications_.begin());
    Deliver(notification);
  }
  DestroyDelayedCleanup();
}

void PaintManager::NotifyAccessibleEvent(uint32_t event, const Control* control) {
  if (window_)
    ::NotifyWinEvent(event, window_, OBJID_CLIENT,
                     control ? control->GetAccessibleId() : CHILDID_SELF);
}

}  // namespace ui
