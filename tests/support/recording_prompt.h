#pragma once

#include <atomic>
#include <functional>
#include <string>
#include <vector>

#include "engine/user_prompt.h"

// Answers the engine's questions without a window: counts them (asked on the install's thread,
// read on the test's), answers the failure message with answerOk and keeps the pages it was asked
// to open, to be read once the install has ended. A file in use is answered by onFileInUse
// (Cancel when there is none).
class RecordingPrompt : public UserPrompt {
 public:
  bool AskToVisitHomepage() override {
    ++asked;
    return answerOk;
  }
  void OpenWebPage(const std::wstring& address) override { opened.push_back(address); }
  bool AskToRetryFileInUse(const std::wstring& path,
                           const std::vector<std::wstring>& programs) override {
    ++askedInUse;
    inUsePath = path;
    inUsePrograms = programs;
    return onFileInUse ? onFileInUse() : false;
  }
  void TellNotEnoughSpace(long long neededBytes, long long freeBytes) override {
    ++toldNoSpace;
    spaceNeeded = neededBytes;
    spaceFree = freeBytes;
  }
  void TellClockIsWrong() override { ++toldClockWrong; }

  bool answerOk = false;
  std::atomic<int> asked{0};
  std::vector<std::wstring> opened;
  std::function<bool()> onFileInUse;
  std::atomic<int> askedInUse{0};
  std::wstring inUsePath;
  std::vector<std::wstring> inUsePrograms;
  std::atomic<int> toldNoSpace{0};
  long long spaceNeeded = 0, spaceFree = 0;
  std::atomic<int> toldClockWrong{0};
};
