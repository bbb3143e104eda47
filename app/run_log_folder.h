#pragma once

#include <windows.h>

#include <string>
#include <string_view>

// Where the runs' logs go when the command line names none: the user's temporary folder, one
// file a run named after its start, "Quenby-install-<yyyymmdd>-<hhmmss>.log". Only the newest
// ones are kept, so that a machine that runs the installer every day does not collect them.
inline constexpr size_t kRunLogsKept = 10;

// The log's name for a run started at localTime.
std::wstring RunLogName(const SYSTEMTIME& localTime);
// Whether name has exactly the form RunLogName gives (any case).
bool IsRunLogName(std::wstring_view name);
// The user's temporary folder with its trailing backslash; empty when the system names none.
std::wstring RunLogFolder();
// Removes the run logs in folder (with its trailing backslash) beyond the newest kept, newest by
// the time in their names; other files are left alone. A log that cannot be removed stays.
void RemoveOldRunLogs(const std::wstring& folder, size_t kept);
