#pragma once

#include <windows.h>

namespace ui {

// The UI thread's message loop: fetches the thread's messages until WM_QUIT and dispatches each
// one that TranslateWindowMessage does not consume (key messages are translated to characters
// first). Returns the exit code carried by WM_QUIT, or -1 when fetching a message fails.
int RunMessageLoop();

// Offers a queued message to the paint managers of its window before it is dispatched: their
// accelerators, then their PreTranslate (pre-filters, Tab, Alt shortcuts). A message for a child
// window is offered to every manager whose window is the child or one of its ancestors, the
// managers attached last first. True when the message is consumed and must be neither translated
// nor dispatched.
bool TranslateWindowMessage(MSG* message);

}  // namespace ui
