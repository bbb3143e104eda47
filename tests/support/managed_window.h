#pragma once

#include <windows.h>

namespace ui {
class PaintManager;
}

namespace ui::testing_support {

// A hidden window whose procedure offers every message to a paint manager first, as the window
// base class does; the test attaches the manager to it. The window stops serving the manager and
// is destroyed with the object, so declare it after the manager.
class ManagedWindow {
 public:
  explicit ManagedWindow(PaintManager* manager, int width = 300, int height = 200);
  ~ManagedWindow();
  ManagedWindow(const ManagedWindow&) = delete;
  ManagedWindow& operator=(const ManagedWindow&) = delete;

  HWND Get() const { return window_; }

 private:
  HWND window_ = nullptr;
};

}  // namespace ui::testing_support
