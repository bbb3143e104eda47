#pragma once

#include <cstdint>
#include <optional>

#include "app/progress_mailbox.h"

// The UI thread's side of the progress hand-over: takes the mailbox when the UI thread is woken
// or the window's timer ticks, and says what to show now.
//
// With the timer (Pacing::Timer), progress shows at most once per interval: a screen needs no
// more, and each showing costs formatting, layout and a repaint, whose processor time the
// engine's transfer shares. While reports flow, the ticks take them and the engine wakes nobody;
// a report held back shows at the next tick, so the last report before a pause (a stall, a
// retry's wait, the failure message) always shows within an interval, and the first report after
// a pause wakes the UI thread and shows at once. The finish shows at once, after the newest
// progress. Without a timer (Pacing::None) every wake-up shows what it finds.
class ProgressFeed {
 public:
  static constexpr uint64_t kIntervalMs = 33;  // about 30 showings a second

  enum class Pacing { Timer, None };
  // What called: the engine's wake-up, or the window's timer, which ticks every kIntervalMs for
  // as long as the install runs.
  enum class Source { WakeUp, Timer };

  struct Step {
    std::optional<ProgressReport> progress;  // show this report now
    bool finish = false;                     // then the finish page
  };

  ProgressFeed(ProgressMailbox& mailbox, Pacing pacing) : mailbox_(mailbox), pacing_(pacing) {}

  // nowMs: a monotonic clock in milliseconds (GetTickCount64).
  Step Next(Source source, uint64_t nowMs);

 private:
  bool MayShow(Source source, uint64_t nowMs) const;

  ProgressMailbox& mailbox_;
  const Pacing pacing_;
  std::optional<ProgressReport> held_;
  std::optional<uint64_t> lastShownMs_;
};
