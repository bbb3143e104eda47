#pragma once

#include <windows.h>

#include <vector>

namespace ui {
class PaintManager;
}

namespace ui::testing_support {

// A window whose procedure offers every message to a paint manager first, as the window base
// class does, and notes each message it sees; the test attaches the manager to it. The window
// stops serving the manager and is destroyed with the object, so declare it after the manager.
class ManagedWindow {
 public:
  // A hidden popup window of the given size.
  explicit ManagedWindow(PaintManager* manager, int width = 300, int height = 200);
  // Any style, a parent (for a child window) and bounds in the parent's coordinates.
  ManagedWindow(PaintManager* manager, DWORD style, HWND parent, RECT bounds);
  ~ManagedWindow();
  ManagedWindow(const ManagedWindow&) = delete;
  ManagedWindow& operator=(const ManagedWindow&) = delete;

  HWND Get() const { return window_; }
  // The messages the window procedure saw, in order.
  const std::vector<UINT>& Messages() const { return messages_; }

 private:
  static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

  PaintManager* manager_;
  HWND window_ = nullptr;
  std::vector<UINT> messages_;
};

}  // namespace ui::testing_support
