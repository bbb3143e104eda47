#include "app/progress_mailbox.h"

#include <utility>

bool ProgressMailbox::PostProgress(ProgressReport report) {
  // The report it replaces, freed after the lock is released.
  std::optional<ProgressReport> replaced;
  std::lock_guard lock(mutex_);
  replaced.swap(pending_.progress);
  pending_.progress = std::move(report);
  return !std::exchange(wakePending_, true);
}

bool ProgressMailbox::PostFinished() {
  std::lock_guard lock(mutex_);
  pending_.finished = true;
  wakePending_ = true;
  return !std::exchange(finishPosted_, true);
}

ProgressMailbox::Contents ProgressMailbox::Take(NextWake nextWake) {
  std::lock_guard lock(mutex_);
  wakePending_ = nextWake == NextWake::UiComesBack ||
                 (nextWake == NextWake::AfterAPause && pending_.progress.has_value());
  return std::exchange(pending_, Contents{});
}
