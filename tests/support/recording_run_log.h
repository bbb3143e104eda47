#pragma once

#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "engine/common/run_log.h"

// Keeps every line the process logs while it exists (it is the process's log meanwhile), to be
// read once the writers have ended.
class RecordingRunLog : public RunLog {
 public:
  RecordingRunLog() { SetActiveRunLog(this); }
  ~RecordingRunLog() override { SetActiveRunLog(nullptr); }
  RecordingRunLog(const RecordingRunLog&) = delete;
  RecordingRunLog& operator=(const RecordingRunLog&) = delete;

  void Write(std::string_view line) override {
    std::lock_guard<std::mutex> hold(mutex_);
    lines_.emplace_back(line);
  }
  // Every line so far, each ended with '\n'.
  std::string Text() const {
    std::lock_guard<std::mutex> hold(mutex_);
    std::string text;
    for (const std::string& line : lines_)
      text += line + "\n";
    return text;
  }

 private:
  mutable std::mutex mutex_;
  std::vector<std::string> lines_;
};
