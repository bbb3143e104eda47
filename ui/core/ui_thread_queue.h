#pragma once

#include <windows.h>

#include <cstddef>
#include <functional>
#include <mutex>
#include <vector>

// Threads and the UI framework
//
// The framework is single-threaded. Everything in ui/core, ui/controls and ui/render belongs to
// the thread that created the window (the UI thread): the PaintManager and every Control
// operation (SetText, SetValue, SetVisible, SelectItem, ...), the skin settings and image caches,
// the shared fonts and texts, RunMessageLoop. None of them may be called from another thread.
//
// Another thread hands work to the UI thread through the window's UiThreadQueue
// (WindowWrapper::PostToUiThread and PostCoalescedToUiThread, or a copy of WindowWrapper::UiQueue
// kept by the worker): the task is queued and runs later on the UI thread, inside the window
// procedure, where it may use controls freely. PostToWindow (PostMessage) is safe from any thread
// as well; SendToWindow from another thread blocks until the UI thread answers.
namespace ui {

// The private window message that makes a window's UI thread run its queued tasks.
inline constexpr UINT kUiTaskMessage = WM_APP + 2;

// A queue of tasks for the thread that owns one window. Post and PostCoalesced may be called from
// any thread; everything else belongs to the UI thread. At most one kUiTaskMessage is waiting in
// the window's message queue at a time, however many tasks are queued. Tasks still queued when
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
  // Any thread. Like Post, but a task that still waits under the same slot is replaced by this
  // one, which takes its place in the order: a burst of updates of one thing (a progress value)
  // runs once, with the latest. A null slot coalesces nothing.
  bool PostCoalesced(const void* slot, Task task);

  // UI thread: tasks are posted to window from now on.
  void Bind(HWND window);
  // UI thread: no window any more; tasks still waiting are dropped.
  void Unbind();
  // UI thread, on kUiTaskMessage: runs the tasks queued so far, in order. Tasks posted while they
  // run wait for the next message. An exception thrown by a task is caught and the task counted
  // as done. A task may destroy controls or the window: once the window has gone (Unbind), the
  // rest of the batch is dropped.
  void RunPending();
  // Whether a window is bound.
  bool IsBound() const;
  // Tasks waiting to run.
  size_t PendingCount() const;

 private:
  struct Entry {
    const void* slot;
    Task task;
  };

  bool Enqueue(const void* slot, Task task);

  mutable std::mutex mutex_;
  HWND window_ = nullptr;
  bool messagePosted_ = false;
  std::vector<Entry> pending_;
};

}  // namespace ui
