#pragma once

#include <windows.h>

// A plain window ("STATIC" class) for tests that need a real one: a device context, a size, an
// update region. Destroyed with the object; a paint manager attached to it must not outlive it
// while it still paints, so declare the window first.
class TestWindow {
 public:
  enum class Visibility { Hidden, Shown };

  explicit TestWindow(int width = 300,
                      int height = 200,
                      Visibility visibility = Visibility::Hidden);
  ~TestWindow();
  TestWindow(const TestWindow&) = delete;
  TestWindow& operator=(const TestWindow&) = delete;

  HWND Get() const { return window_; }

 private:
  HWND window_;
};

// Dispatches every message waiting for this thread.
void DispatchPendingMessages();

// Serves this thread's messages until done() holds or timeoutMilliseconds pass; returns done().
template <typename Done>
bool PumpMessagesUntil(Done done, DWORD timeoutMilliseconds = 2000) {
  const DWORD start = ::GetTickCount();
  while (!done()) {
    const DWORD elapsed = ::GetTickCount() - start;
    if (elapsed >= timeoutMilliseconds)
      return false;
    ::MsgWaitForMultipleObjectsEx(0, nullptr, timeoutMilliseconds - elapsed, QS_ALLINPUT,
                                  MWMO_INPUTAVAILABLE);
    DispatchPendingMessages();
  }
  return true;
}
