#pragma once

#include <mutex>
#include <optional>

#include "app/progress_text.h"

// Hands what the engine's threads want shown to the UI thread. Progress coalesces to the latest
// texts, so a transfer never waits for painting; the finish is never dropped and is taken only
// together with, and after, the last progress posted before it.
//
// The poster wakes the UI thread (for example by posting a window message) only when a post
// returns true: one wake-up stays pending until the UI thread takes what is there.
class ProgressMailbox {
 public:
  struct Contents {
    std::optional<ProgressTexts> progress;  // the latest texts, if any arrived since the last take
    bool finished = false;                  // the finish page is due, after progress
  };

  // Engine threads. Each returns true when the UI thread must be woken.
  bool PostProgress(ProgressTexts texts);
  bool PostFinished();

  // UI thread: takes everything pending and re-arms the wake-up.
  Contents Take();

 private:
  std::mutex mutex_;
  Contents pending_;
  bool wakePending_ = false;
};
