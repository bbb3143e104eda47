#pragma once

#include <windows.h>

namespace ui {

// The framework's private window message (0x8001). On it a window runs the tasks that other
// threads queued for it (UiThreadQueue) and then its paint manager drains its notification queue
// and delayed-cleanup list. Each side posts it when it has work; one message serves both, so
// either may find its work already done.
inline constexpr UINT kQueueMessage = WM_APP + 1;

}  // namespace ui
