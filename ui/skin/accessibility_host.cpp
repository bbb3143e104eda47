#include "ui/skin/accessibility_host.h"

#include <oleacc.h>

#include <utility>

#include "ui/core/paint_manager.h"

namespace ui {

LRESULT AccessibilityHost::HandleGetObject(HWND window,
                                           WPARAM wParam,
                                           LPARAM lParam,
                                           PaintManager& manager,
                                           const IAccessibleWindowDescriber& describer,
                                           std::shared_ptr<UiThreadQueue> uiQueue,
                                           bool& handled) {
  // The object id travels in the low 32 bits, sign and all.
  if (static_cast<LONG>(static_cast<DWORD>(lParam)) != OBJID_CLIENT || !window) {
    handled = false;
    return 0;
  }
  if (!accessible_) {
    // Marshalling the object to the client needs an apartment on this thread.
    if (!apartment_)
      apartment_ = std::make_unique<base::ScopedComInitializer>();
    accessible_.Reset(new ControlTreeAccessible(manager, describer, std::move(uiQueue)));
  }
  const LRESULT result = ::LresultFromObject(__uuidof(IAccessible), wParam,
                                             static_cast<IAccessible*>(accessible_.Get()));
  // A failure (a negative HRESULT) leaves the request to the system's own object.
  handled = result >= 0;
  return result;
}

void AccessibilityHost::Disconnect() {
  if (accessible_)
    accessible_->Disconnect();
}

void AccessibilityHost::Close() {
  Disconnect();
  accessible_.Reset();
  apartment_.reset();
}

}  // namespace ui
