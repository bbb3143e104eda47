#pragma once

#include <windows.h>

#include <optional>
#include <string>

// The launch command of the installed client: installDir + "\" + launcherName. Nothing when the
// command is longer than the launch allows: 1023 bytes in the ANSI code page (or 1023 UTF-16
// units).
std::optional<std::wstring> BuildLaunchCommand(const std::wstring& installDir,
                                               const std::wstring& launcherName);

// How the client is started. An administrator's elevated token (the full half of a split token,
// UAC on) would make the client an administrator's program, and would run as administrator
// whatever sits at the launcher's path: the start goes through the desktop's shell, which runs it
// as the desktop's user. A token that is not split (UAC off), or a filtered one, is the desktop
// user's own: the installer starts the client itself.
enum class LaunchRoute {
  kThisProcess,   // CreateProcess with the installer's token
  kDesktopShell,  // the desktop's shell, as the desktop's user; this process's start as fallback
};
LaunchRoute ChooseLaunchRoute(TOKEN_ELEVATION_TYPE elevation);

enum class LaunchOutcome {
  kStarted,            // the client runs, started with installDir as its current folder
  kStartedByFallback,  // the first start failed; the retry after the pause started it
  kNotStarted,         // neither start worked
  kCommandTooLong,     // nothing was tried
};

// Starts the client as the finish page does, by the route the process's token calls for. Through
// the desktop's shell: the command as the program, installDir as current folder, the shell's
// environment; a shell that cannot be reached (none runs, or it refuses) falls back to this
// process's start, and the run's log says which route started the client and why. This process's
// start: the command as the program to run, no further arguments, installDir as current folder,
// the installer's environment. When that fails, waits
// kLaunchRetryPauseMs on the calling thread and tries once more through WinExec with the command
// quoted (so a folder with spaces cannot run a program at a shorter path); the retry is skipped
// when the folder's name has no exact form in the ANSI code page, which WinExec takes.
inline constexpr unsigned kLaunchRetryPauseMs = 2000;
LaunchOutcome LaunchClient(const std::wstring& installDir, const std::wstring& launcherName);
