#include "app/progress_feed.h"

#include <utility>

namespace {

// A tick may come early by this much (the system's timer resolution), and a wake-up may have
// shown a report since the last tick: a tick shows once this much of the interval has passed.
constexpr uint64_t kTickSlackMs = 10;

}  // namespace

bool ProgressFeed::MayShow(Source source, uint64_t nowMs) const {
  if (pacing_ == Pacing::None || !lastShownMs_)
    return true;
  const uint64_t due = source == Source::Timer ? kIntervalMs - kTickSlackMs : kIntervalMs;
  return nowMs - *lastShownMs_ >= due;
}

ProgressFeed::Step ProgressFeed::Next(Source source, uint64_t nowMs) {
  using NextWake = ProgressMailbox::NextWake;
  const bool mayShow = MayShow(source, nowMs);
  NextWake nextWake = NextWake::OnPost;
  if (pacing_ == Pacing::Timer) {
    // The ticks take the reports while they flow; a wake-up that has to hold its report back
    // leaves the rest to the next tick as well.
    nextWake = source == Source::WakeUp && !mayShow ? NextWake::UiComesBack : NextWake::AfterAPause;
  }
  ProgressMailbox::Contents taken = mailbox_.Take(nextWake);
  if (taken.progress)
    held_ = std::move(taken.progress);
  Step step;
  if (taken.finished) {
    step.progress = std::exchange(held_, std::nullopt);
    step.finish = true;
    return step;
  }
  if (held_ && mayShow) {
    step.progress = std::exchange(held_, std::nullopt);
    lastShownMs_ = nowMs;
  }
  return step;
}
