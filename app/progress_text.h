#pragma once

#include <string>

// One progress report of the engine, as its progress callback receives it, with the time the
// page is updated. Sizes are bytes; times are seconds since 1970-01-01 UTC, low 32 bits.
struct ProgressReport {
  int totalBytes = 0;
  int downloadedBytes = 0;
  int startTime = 0;
  std::wstring fileName;  // as the manifest names it
  int now = 0;
};

// What the installing page shows for a report: the value of "slr_progress" (the slider clamps
// it to 0..100) and the texts of "progress_file", "progress_pos" and "progress_tip".
struct ProgressTexts {
  int percent = 0;
  std::wstring fileText;
  std::wstring percentText;
  std::wstring tipText;
};

// Decimal units (1 KB = 1000 bytes, 1 MB = 1000000 bytes), integer divisions that truncate
// toward zero, whole seconds. Reports out of the usual ranges (more downloaded than announced, a
// clock set back, sizes near the int limits) still give defined texts.
ProgressTexts ComposeProgressTexts(const ProgressReport& report, const std::wstring& installDir);

// The current time in seconds since 1970-01-01 UTC, low 32 bits, as the engine stamps startTime.
int CurrentTimeLow32();
