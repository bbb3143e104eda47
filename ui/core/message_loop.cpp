#include "ui/core/message_loop.h"

#include "base/exception_barrier.h"
#include "ui/core/paint_manager.h"

namespace ui {
namespace {

// Accelerators first (a translation ends the search), then PreTranslate. Both run control code
// (Tab moves the focus, an Alt shortcut activates a button) outside any window procedure: an
// exception there ends the offer as if nothing had translated or consumed the message, which then
// goes on to its window.
bool OfferToManager(PaintManager* manager, MSG* message, bool& consumed) {
  return base::CatchAllOr<bool>(false, [&] {
    if (manager->TranslateAccelerators(message))
      return true;
    LRESULT result = 0;
    if (manager->PreTranslate(message->message, message->wParam, message->lParam, result))
      consumed = true;
    return false;
  });
}

}  // namespace

bool TranslateWindowMessage(MSG* message) {
  if (!message || !message->hwnd)
    return false;
  // A filter may create or destroy a window, and with it a manager, while it runs: the walks
  // reach only the managers still attached.
  const LONG_PTR style = ::GetWindowLongPtrW(message->hwnd, GWL_STYLE);
  if ((style & WS_CHILD) != 0) {
    const HWND parent = ::GetParent(message->hwnd);
    bool consumed = false;
    bool translated = false;
    PaintManager::WalkAttachedManagersFromLast([&](PaintManager* manager) {
      // Each manager whose window is the child itself or one of its ancestors is asked once.
      bool serves = manager->PaintWindow() == message->hwnd;
      for (HWND chain = parent; chain && !serves; chain = ::GetParent(chain))
        serves = manager->PaintWindow() == chain;
      translated = serves && OfferToManager(manager, message, consumed);
      return !translated;
    });
    // What PreTranslate consumed is still dispatched: the child window has its own handling.
    return translated;
  }
  bool taken = false;
  PaintManager::WalkAttachedManagers([&](PaintManager* manager) {
    if (manager->PaintWindow() != message->hwnd)
      return true;
    bool consumed = false;
    taken = OfferToManager(manager, message, consumed) || consumed;
    return false;
  });
  return taken;
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
