#pragma once

#include <windows.h>

#include <functional>

// Serves this thread's messages as the framework's message loop does (dialog-style keys go to
// the framework first) until done() holds or timeoutMs pass; waits for messages in between,
// never with a fixed sleep. Returns done().
bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs = 5000);

// Serves whatever messages are waiting now.
void PumpPending();
