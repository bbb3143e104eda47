#pragma once

#include <windows.h>

#include <string>
#include <string_view>

// Where the runs' logs go when the command line names none: one file a run named after its
// start, "Quenby-install-<yyyymmdd>-<hhmmss>.log", in the user's temporary folder, or, for an
// elevated installer, in a folder of its own where only administrators write (the temporary
// folder of an administrator under UAC is open to every program the same user runs without
// elevation). Only the newest ones are kept, so that a machine that runs the installer every day
// does not collect them.
inline constexpr size_t kRunLogsKept = 10;

// The log's name for a run started at localTime.
std::wstring RunLogName(const SYSTEMTIME& localTime);
// Whether name has exactly the form RunLogName gives (any case).
bool IsRunLogName(std::wstring_view name);
enum class LogPlace {
  kTemporaryFolder,  // the user's %TEMP%
  kProtectedFolder,  // ProtectedLogFolder()
};
// The elevated half of a split token (an administrator under UAC) writes only where programs
// without elevation cannot; a token that is not split is the only token its user runs with.
LogPlace ChooseLogPlace(TOKEN_ELEVATION_TYPE elevation);
// The folder of the logs for this process's token, with its trailing backslash; empty when there
// is none (the system names no temporary folder, or the protected one cannot be had).
std::wstring RunLogFolder();
// Removes the run logs in folder (with its trailing backslash) beyond the newest kept, newest by
// the time in their names; other files are left alone, and so is every name that is no plain
// file of its own (a folder, a link, a hard link to a file elsewhere). A log that cannot be
// removed stays.
void RemoveOldRunLogs(const std::wstring& folder, size_t kept);
