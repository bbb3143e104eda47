#include "app/progress_feed.h"

#include <utility>

bool ProgressFeed::MayShow(Source source, uint64_t nowMs) const {
  return source == Source::Timer || !lastShownMs_ || nowMs - *lastShownMs_ >= kIntervalMs;
}

ProgressFeed::Step ProgressFeed::Next(Source source, uint64_t nowMs) {
  const bool mayShow = MayShow(source, nowMs);
  // While progress is held back the timer comes back for it: reports arriving meanwhile need
  // not wake the UI thread, which would only hold them back too.
  ProgressMailbox::Contents taken = mailbox_.Take(mayShow ? ProgressMailbox::NextWake::OnPost
                                                          : ProgressMailbox::NextWake::UiComesBack);
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
