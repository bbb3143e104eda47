#pragma once

#include <windows.h>

#include <cstddef>
#include <functional>
#include <mutex>
#include <vector>

#include "ui/core/queue_message.h"

// Threads and the UI framework
//
// The framework is single-threaded. Everything in ui/ (render, core, controls, skin) belongs to
// the thread that created the window (the UI thread): the PaintManager and every Control
// operation (SetText, SetValue, SetVisible, SelectItem, ...), the skin settings and image caches,
// the shared fonts and texts, RunMessageLoop. None of them may be called from another thread.
//
// Another thread hands work to the UI thread through the window's UiThreadQueue
// (WindowWrapper::PostToUiThread, or a copy of WindowWrapper::UiQueue kept by the worker): the task
// is queued and runs later on the UI thread, inside the window procedure, where it may use controls
// freely. PostToWindow (PostMessage) is safe from any thread as well; SendToWindow from another
// thread blocks until the UI thread answers.
namespace ui {

// A queue of tasks for the thread that owns one window. Post may be called from any thread;
// everything else belongs to the UI thread. At most one kQueueMessage of the queue's is waiting
// in the window's message queue at a time, however many tasks are queued. Tasks still queued when
// the window goes (Unbind) or the queue is destroyed are dropped without running.
class UiThreadQueue {
 public:
  using Task = std::function<void()>;

  UiThreadQueue() = default;
  ~UiThreadQueue();
  UiThreadQueue(const UiThreadQueue&) = delete;
  UiThreadQueue& operator=(const UiThreadQueue&) = delete;

  // Any thread. Queues task to run on the UI thread. False, and the task is dropped, when no
  // window is bound (not yet created, or already gone).
  bool Post(Task task);

  // UI thread: tasks are posted to window from now on.
  void Bind(HWND window);
  // UI thread: no window any more; tasks still waiting are dropped.
  void Unbind();
  // UI thread, on kQueueMessage: runs the tasks queued so far, in order. Tasks posted while they
  // run wait for the next message. An exception thrown by a task is caught and the task counted
  // as done. A task may destroy controls or the window: once the window has gone (Unbind), the
  // rest of the batch is dropped.
  void RunPending();
  // Whether a window is bound.
  bool IsBound() const;
  // Tasks waiting to run.
  size_t PendingCount() const;

 private:
  mutable std::mutex mutex_;
  HWND window_ = nullptr;
  bool messagePosted_ = false;
  std::vector<Task> pending_;
};

}  // namespace ui
