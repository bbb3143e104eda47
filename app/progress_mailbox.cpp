#include "app/progress_mailbox.h"

#include <utility>

bool ProgressMailbox::PostProgress(ProgressTexts texts) {
  std::lock_guard lock(mutex_);
  pending_.progress = std::move(texts);
  return !std::exchange(wakePending_, true);
}

bool ProgressMailbox::PostFinished() {
  std::lock_guard lock(mutex_);
  pending_.finished = true;
  return !std::exchange(wakePending_, true);
}

ProgressMailbox::Contents ProgressMailbox::Take() {
  std::lock_guard lock(mutex_);
  wakePending_ = false;
  return std::exchange(pending_, Contents{});
}
