#pragma once

#include <functional>

#include "engine/install_engine.h"

class UserPrompt;

// The process-wide engine as one test wants it, and as the installer has it again when the test
// ends: the prompt, the retry waits (not slept by default: a test has no time for backoff), and
// on the way out the system's prompt, the default waits, the build's pinned keys, no kept
// signing time and the 60 s stall limit.
class ScopedEngineForTest {
 public:
  explicit ScopedEngineForTest(UserPrompt& prompt,
                               std::function<void(int)> retryWait = [](int) {});
  ~ScopedEngineForTest();
  ScopedEngineForTest(const ScopedEngineForTest&) = delete;
  ScopedEngineForTest& operator=(const ScopedEngineForTest&) = delete;

  InstallEngine& engine() const { return InstallEngine::Instance(); }
};
