#include "ui/core/ui_thread_queue.h"

#include <algorithm>
#include <utility>

#include "base/exception_barrier.h"
#include "ui/core/dispatch_scope.h"

namespace ui {

UiThreadQueue::~UiThreadQueue() {
  Unbind();
}

bool UiThreadQueue::Post(Task task) {
  return Enqueue(nullptr, std::move(task));
}

bool UiThreadQueue::PostCoalesced(const void* slot, Task task) {
  return Enqueue(slot, std::move(task));
}

bool UiThreadQueue::Enqueue(const void* slot, Task task) {
  if (!task)
    return false;
  Task replaced;  // destroyed after the lock is released
  std::lock_guard<std::mutex> lock(mutex_);
  if (!window_)
    return false;
  auto waiting = slot ? std::find_if(pending_.begin(), pending_.end(),
                                     [slot](const Entry& entry) { return entry.slot == slot; })
                      : pending_.end();
  if (waiting != pending_.end())
    replaced = std::exchange(waiting->task, std::move(task));
  else
    pending_.push_back({slot, std::move(task)});
  // One waiting message serves every task queued before it is handled. When the post fails (the
  // thread's message queue is full), the tasks stay and the next Post tries again.
  if (!messagePosted_)
    messagePosted_ = ::PostMessageW(window_, kUiTaskMessage, 0, 0) != FALSE;
  return true;
}

void UiThreadQueue::Bind(HWND window) {
  std::lock_guard<std::mutex> lock(mutex_);
  window_ = window;
  messagePosted_ = false;
}

void UiThreadQueue::Unbind() {
  std::vector<Entry> dropped;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    window_ = nullptr;
    messagePosted_ = false;
    dropped.swap(pending_);
  }
}

void UiThreadQueue::RunPending() {
  std::vector<Entry> tasks;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    messagePosted_ = false;
    tasks.swap(pending_);
  }
  // A task may destroy controls (deleted once the batch is done) or the window itself.
  DispatchScope dispatch;
  for (Entry& entry : tasks) {
    // Tasks run inside the window procedure, which no exception may leave.
    base::CatchAllOr<bool>(false, [&] {
      entry.task();
      return true;
    });
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
