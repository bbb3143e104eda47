#pragma once

#include <atomic>
#include <string>
#include <vector>

#include "engine/user_prompt.h"

// Answers the engine's download-failure message without a window: counts the questions (asked on
// the install's thread, read on the test's), answers each with answerOk and keeps the pages it
// was asked to open, to be read once the install has ended.
class RecordingPrompt : public UserPrompt {
 public:
  bool AskToVisitHomepage() override {
    ++asked;
    return answerOk;
  }
  void OpenWebPage(const std::wstring& address) override { opened.push_back(address); }

  bool answerOk = false;
  std::atomic<int> asked{0};
  std::vector<std::wstring> opened;
};
