#pragma once

#include <windows.h>

#include <memory>

#include "base/com_ptr.h"
#include "base/scoped_com_initializer.h"
#include "ui/core/control_tree_accessible.h"

namespace ui {

class PaintManager;
class UiThreadQueue;

// Answers a window's WM_GETOBJECT for its client area with the accessible object over the
// control tree, made on the first request in an apartment of the window's thread. Clients may
// hold the object after the window has gone: Disconnect cuts it off then, and the apartment
// stays until Close (or the host's end), after the object is released.
class AccessibilityHost {
 public:
  AccessibilityHost() = default;
  ~AccessibilityHost() { Close(); }
  AccessibilityHost(const AccessibilityHost&) = delete;
  AccessibilityHost& operator=(const AccessibilityHost&) = delete;

  // OBJID_CLIENT of an existing window gets the object; handled is cleared for other objects and
  // when the object cannot be handed over, so that the system's own answers.
  LRESULT HandleGetObject(HWND window,
                          WPARAM wParam,
                          LPARAM lParam,
                          PaintManager& manager,
                          const IAccessibleWindowDescriber& describer,
                          std::shared_ptr<UiThreadQueue> uiQueue,
                          bool& handled);
  void Disconnect();
  // Disconnects, releases the object and leaves the apartment.
  void Close();

 private:
  std::unique_ptr<base::ScopedComInitializer> apartment_;
  base::ComPtr<ControlTreeAccessible> accessible_;
};

}  // namespace ui
