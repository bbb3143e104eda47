#pragma once

#include <functional>
#include <string>

// One progress report as the engine makes it: the fields of the progress contract and the file's
// name as the manifest gives it (UTF-16; empty in the update check's report), which the
// contract's ANSI form cannot always hold (a Korean name on a Chinese system).
struct EngineReport {
  int stage = 0;
  int resultCode = 0;
  int totalBytes = 0;
  int downloadedBytes = 0;
  int startTime = 0;
  std::wstring fileName;
};

using ReportHandler = std::function<void(const EngineReport&)>;
