#include "tests/support/message_pump.h"

#include <algorithm>

#include "ui/core/message_loop.h"

bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs) {
  const DWORD start = ::GetTickCount();
  for (;;) {
    MSG message;
    while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
      if (!ui::TranslateWindowMessage(&message)) {
        ::TranslateMessage(&message);
        ::DispatchMessageW(&message);
      }
      if (done())
        return true;
    }
    if (done())
      return true;
    const DWORD elapsed = ::GetTickCount() - start;
    if (elapsed >= timeoutMs)
      return false;
    ::MsgWaitForMultipleObjects(0, nullptr, FALSE, std::min<DWORD>(timeoutMs - elapsed, 20),
                                QS_ALLINPUT);
  }
}

void PumpPending() {
  PumpUntil([] { return false; }, 0);
}
