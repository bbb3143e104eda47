#pragma once

#include <mutex>
#include <optional>

#include "app/progress_text.h"

// Hands what the engine's threads want shown to the UI thread. Progress coalesces to the newest
// raw report (the UI thread formats it), so a transfer never waits for formatting or painting;
// the finish is never dropped and is taken only together with, and after, the last progress
// posted before it.
//
// The poster wakes the UI thread (for example by posting a window message) only when a post
// returns true: one wake-up stays pending until the UI thread takes with NextWake::OnPost. A
// finish always asks for a wake-up of its own, so that it shows at once even while the UI thread
// holds progress back.
class ProgressMailbox {
 public:
  struct Contents {
    // The newest report, if any arrived since the last take.
    std::optional<ProgressReport> progress;
    // The finish page is due, after progress.
    bool finished = false;
  };

  // Whether the next progress post is to wake the UI thread.
  enum class NextWake {
    // Yes: the UI thread waits for the next post.
    OnPost,
    // No: the UI thread comes back on its own (a timer) and takes then.
    UiComesBack,
    // While reports flow (this take found one) as UiComesBack, else as OnPost: the first report
    // after a pause wakes the UI thread.
    AfterAPause,
  };

  // Engine threads. Each returns true when the UI thread must be woken.
  bool PostProgress(ProgressReport report);
  bool PostFinished();

  // UI thread: takes everything pending.
  Contents Take(NextWake nextWake = NextWake::OnPost);

 private:
  std::mutex mutex_;
  Contents pending_;
  bool wakePending_ = false;
  bool finishPosted_ = false;
};
