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
