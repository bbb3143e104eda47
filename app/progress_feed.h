#pragma once

#include <cstdint>
#include <optional>

#include "app/progress_mailbox.h"

// The UI thread's side of the progress hand-over: takes the mailbox when the UI thread is woken
// or its timer ticks, and says what to show now. Progress shows at most once per interval (a
// screen needs no more, and each showing costs formatting, layout and a repaint); a report held
// back shows at the next tick, so the last report before a pause is always shown within an
// interval. The finish shows at once, after the newest progress.
class ProgressFeed {
 public:
  static constexpr uint64_t kIntervalMs = 33;  // about 30 showings a second

  // What called: the engine's wake-up, or the window's timer, which ticks an interval apart
  // for as long as the install runs. Without a timer, every call is to come as Timer: each
  // wake-up then shows what it finds.
  enum class Source { WakeUp, Timer };

  struct Step {
    std::optional<ProgressReport> progress;  // show this report now
    bool finish = false;                     // then the finish page
  };

  explicit ProgressFeed(ProgressMailbox& mailbox) : mailbox_(mailbox) {}

  // nowMs: a monotonic clock in milliseconds (GetTickCount64).
  Step Next(Source source, uint64_t nowMs);

 private:
  bool MayShow(Source source, uint64_t nowMs) const;

  ProgressMailbox& mailbox_;
  std::optional<ProgressReport> held_;
  std::optional<uint64_t> lastShownMs_;
};
