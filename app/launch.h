#pragma once

#include <optional>
#include <string>

// The launch command of the installed client: installDir + "\" + launcherName. Nothing when the
// command is longer than the launch allows: 1023 bytes in the ANSI code page (or 1023 UTF-16
// units).
std::optional<std::wstring> BuildLaunchCommand(const std::wstring& installDir,
                                               const std::wstring& launcherName);

enum class LaunchOutcome {
  kStarted,            // the client runs, started with installDir as its current folder
  kStartedByFallback,  // the first start failed; the retry after the pause started it
  kNotStarted,         // neither start worked
  kCommandTooLong,     // nothing was tried
};

// Starts the client as the finish page does: the command as the program to run, no further
// arguments, installDir as current folder, the installer's environment. When that fails, waits
// kLaunchRetryPauseMs on the calling thread and tries once more through WinExec with the command
// quoted (so a folder with spaces cannot run a program at a shorter path); the retry is skipped
// when the folder's name has no exact form in the ANSI code page, which WinExec takes.
inline constexpr unsigned kLaunchRetryPauseMs = 2000;
LaunchOutcome LaunchClient(const std::wstring& installDir, const std::wstring& launcherName);
