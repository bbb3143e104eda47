#pragma once

#include <windows.h>

#include <memory>

#include "ui/core/ui_thread_queue.h"

namespace ui {

// Where CenterOnMonitor puts a window of size (width, height): centred on reference, then moved
// inside workArea where it would stick out (the left and top edges win when it is larger).
POINT CenteredWindowPosition(int width, int height, const RECT& reference, const RECT& workArea);

// Wraps one native window: registers its window class, creates it, and hands every message of
// the window to the virtual ProcessWindowMessage. The object must outlive its native window; the
// class window procedure calls OnWindowGone after the window's last message, and the object is
// destroyed by its owner afterwards. The UI-thread queue (ui_thread_queue.h) lets other threads
// hand work to the window's thread.
class WindowWrapper {
 public:
  WindowWrapper();
  WindowWrapper(const WindowWrapper&) = delete;
  WindowWrapper& operator=(const WindowWrapper&) = delete;

  HWND NativeWindow() const { return window_; }

  // Registers the class (a superclass when SuperclassName answers a name) and creates the window
  // with this object as creation parameter. Null when the class cannot be registered or the
  // window cannot be created.
  HWND CreateNativeWindow(HWND parent,
                          const wchar_t* title,
                          DWORD style,
                          DWORD exStyle,
                          int x = CW_USEDEFAULT,
                          int y = CW_USEDEFAULT,
                          int width = CW_USEDEFAULT,
                          int height = CW_USEDEFAULT,
                          HMENU menu = nullptr);
  HWND CreateNativeWindow(HWND parent,
                          const wchar_t* title,
                          DWORD style,
                          DWORD exStyle,
                          const RECT& rect,
                          HMENU menu = nullptr);
  // True when the class is registered now or was already.
  bool RegisterNativeClass();
  bool RegisterNativeSuperclass();

  // Centres the window on its owner, or on the work area of its monitor when it has none (or the
  // owner is minimised), keeping it inside that work area.
  void CenterOnMonitor();
  // Shows the window normally (takeFocus) or without activating it; hides it when show is false.
  void ShowNativeWindow(bool show = true, bool takeFocus = true);
  // Posts WM_CLOSE with code as wParam.
  void RequestClose(UINT code = 0);
  LRESULT SendToWindow(UINT message, WPARAM wParam = 0, LPARAM lParam = 0);
  bool PostToWindow(UINT message, WPARAM wParam = 0, LPARAM lParam = 0);

  // Hands a task to the window's UI thread, from any thread (UiThreadQueue::Post).
  bool PostToUiThread(UiThreadQueue::Task task);
  // The queue itself, for a worker that may outlive this object: posting to it after the window
  // has gone drops the task instead of touching freed memory.
  const std::shared_ptr<UiThreadQueue>& UiQueue() const { return uiQueue_; }

  // The name the window class is registered under; every window class supplies one.
  virtual const wchar_t* WindowClassName() const;
  // A system or program class to superclass, or null.
  virtual const wchar_t* SuperclassName() const;
  virtual UINT ClassStyle() const;
  // The window's messages; the base passes them to the previous window procedure.
  virtual LRESULT ProcessWindowMessage(UINT message, WPARAM wParam, LPARAM lParam);
  // Called after the window's last message (WM_NCDESTROY), when NativeWindow is already null.
  virtual void OnWindowGone(HWND window);
  virtual ~WindowWrapper();

 protected:
  // Passes a message to the window procedure that the class replaced (DefWindowProc unless
  // superclassed).
  LRESULT CallPreviousWindowProc(UINT message, WPARAM wParam, LPARAM lParam);
  // Cuts the native window off from this object and destroys it; its last messages go to the
  // platform's default handling and OnWindowGone is not called. For an object that goes before
  // its window.
  void DetachNativeWindow();

 private:
  static LRESULT CALLBACK ClassWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  static LRESULT CALLBACK SuperclassWindowProc(HWND window,
                                               UINT message,
                                               WPARAM wParam,
                                               LPARAM lParam);
  // Where a window keeps its object: a superclassed window's user data belongs to its class, so
  // it keeps it in a property.
  enum class ObjectSlot { UserData, Property };

  // The window's object: on WM_NCCREATE taken from the creation parameters and stored in the
  // window's slot, afterwards read from there.
  static WindowWrapper* ObjectOf(HWND window, UINT message, LPARAM lParam, ObjectSlot slot);
  // What both window procedures do once they know the object (null before WM_NCCREATE).
  static LRESULT Dispatch(WindowWrapper* object,
                          HWND window,
                          UINT message,
                          WPARAM wParam,
                          LPARAM lParam,
                          ObjectSlot slot);

  HWND window_ = nullptr;
  WNDPROC previousWindowProc_;
  bool superclassed_ = false;
  std::shared_ptr<UiThreadQueue> uiQueue_;
};

}  // namespace ui
