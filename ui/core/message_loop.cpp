#include "ui/core/message_loop.h"

#include <algorithm>
#include <vector>

#include "ui/core/paint_manager.h"

namespace ui {
namespace {

// Accelerators first (a translation ends the search), then PreTranslate.
bool OfferToManager(PaintManager* manager, MSG* message, bool& consumed) {
  if (manager->TranslateAccelerators(message))
    return true;
  LRESULT result = 0;
  if (manager->PreTranslate(message->message, message->wParam, message->lParam, result))
    consumed = true;
  return false;
}

}  // namespace

bool TranslateWindowMessage(MSG* message) {
  if (!message || !message->hwnd)
    return false;
  // A copy: a filter may create or destroy a window, and with it a manager, while it runs.
  const std::vector<PaintManager*> managers = PaintManager::AttachedManagers();
  const LONG_PTR style = ::GetWindowLongPtrW(message->hwnd, GWL_STYLE);
  if ((style & WS_CHILD) != 0) {
    const HWND parent = ::GetParent(message->hwnd);
    bool consumed = false;
    for (auto it = managers.rbegin(); it != managers.rend(); ++it) {
      PaintManager* manager = *it;
      const auto& live = PaintManager::AttachedManagers();
      if (std::find(live.begin(), live.end(), manager) == live.end())
        continue;
      // Each manager whose window is the child itself or one of its ancestors is asked once.
      bool serves = manager->PaintWindow() == message->hwnd;
      for (HWND chain = parent; chain && !serves; chain = ::GetParent(chain))
        serves = manager->PaintWindow() == chain;
      if (serves && OfferToManager(manager, message, consumed))
        return true;
    }
    // What PreTranslate consumed is still dispatched: the child window has its own handling.
    return false;
  }
  for (PaintManager* manager : managers) {
    if (manager->PaintWindow() != message->hwnd)
      continue;
    bool consumed = false;
    return OfferToManager(manager, message, consumed) || consumed;
  }
  return false;
}

int RunMessageLoop() {
  MSG message;
  for (;;) {
    const BOOL got = ::GetMessageW(&message, nullptr, 0, 0);
    if (got == 0)
      return static_cast<int>(message.wParam);
    if (got == -1)
      return -1;
    if (TranslateWindowMessage(&message))
      continue;
    ::TranslateMessage(&message);
    ::DispatchMessageW(&message);
  }
}

}  // namespace ui
