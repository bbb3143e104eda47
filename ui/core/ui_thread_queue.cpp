#include "ui/core/ui_thread_queue.h"

#include <utility>

#include "base/exception_barrier.h"
#include "ui/core/dispatch_scope.h"

namespace ui {

UiThreadQueue::~UiThreadQueue() {
  Unbind();
}

bool UiThreadQueue::Post(Task task) {
  if (!task)
    return false;
  std::lock_guard<std::mutex> lock(mutex_);
  if (!window_)
    return false;
  pending_.push_back(std::move(task));
  // One waiting message serves every task queued before it is handled. When the post fails (the
  // thread's message queue is full), the tasks stay and the next Post tries again.
  if (!messagePosted_)
    messagePosted_ = ::PostMessageW(window_, kQueueMessage, 0, 0) != FALSE;
  return true;
}

void UiThreadQueue::Bind(HWND window) {
  std::lock_guard<std::mutex> lock(mutex_);
  window_ = window;
  messagePosted_ = false;
}

void UiThreadQueue::Unbind() {
  std::vector<Task> dropped;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    window_ = nullptr;
    messagePosted_ = false;
    dropped.swap(pending_);
  }
}

void UiThreadQueue::RunPending() {
  std::vector<Task> tasks;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    messagePosted_ = false;
    tasks.swap(pending_);
  }
  // A task may destroy controls (deleted once the batch is done) or the window itself.
  DispatchScope dispatch;
  for (Task& task : tasks) {
    // Tasks run inside the window procedure, which no exception may leave.
    base::CatchAllVoid([&] { task(); });
    // The window went with that task: the rest of the batch was meant for it and is dropped,
    // as tasks queued after the window has gone are.
    if (!IsBound())
      return;
  }
}

bool UiThreadQueue::IsBound() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return window_ != nullptr;
}

size_t UiThreadQueue::PendingCount() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return pending_.size();
}

}  // namespace ui
