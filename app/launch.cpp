#include "app/launch.h"

#include <windows.h>

#include "app/desktop_shell_start.h"
#include "base/scoped_handle.h"
#include "base/token_elevation.h"
#include "engine/common/run_log.h"
#include "engine/common/text_convert.h"

namespace {

// The launch command's buffer holds 1023 bytes and a terminator.
constexpr size_t kCommandLimit = 1023;

bool StartProcess(const std::wstring& command, const std::wstring& currentFolder) {
  STARTUPINFOW startup = {};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION started = {};
  // No command line: the new process's command line is the bare program path.
  if (!::CreateProcessW(command.c_str(), nullptr, nullptr, nullptr, FALSE, 0, nullptr,
                        currentFolder.c_str(), &startup, &started))
    return false;
  base::ScopedHandle process(started.hProcess);
  base::ScopedHandle thread(started.hThread);
  return true;
}

}  // namespace

std::optional<std::wstring> BuildLaunchCommand(const std::wstring& installDir,
                                               const std::wstring& launcherName) {
  std::wstring command = installDir + L"\\" + launcherName;
  if (command.size() > kCommandLimit || WideToAnsi(command.c_str()).size() > kCommandLimit)
    return std::nullopt;
  return command;
}

LaunchRoute ChooseLaunchRoute(TOKEN_ELEVATION_TYPE elevation) {
  return elevation == TokenElevationTypeFull ? LaunchRoute::kDesktopShell
                                             : LaunchRoute::kThisProcess;
}

LaunchOutcome LaunchClient(const std::wstring& installDir, const std::wstring& launcherName) {
  const std::optional<std::wstring> command = BuildLaunchCommand(installDir, launcherName);
  if (!command)
    return LaunchOutcome::kCommandTooLong;
  if (ChooseLaunchRoute(base::ProcessElevationType()) == LaunchRoute::kDesktopShell) {
    std::string failure = "no launcher in the install folder";
    // The shell answers for a start it hands on, not for the file: a missing launcher is told
    // here, as the installer's own start tells it.
    const DWORD attributes = ::GetFileAttributesW(command->c_str());
    const bool launcherThere =
        attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
    if (launcherThere && StartThroughDesktopShell(*command, installDir, failure)) {
      ActiveRunLog().Write("client started through the desktop's shell, as the desktop's user");
      return LaunchOutcome::kStarted;
    }
    ActiveRunLog().Printf(
        "the desktop's shell could not start the client (%s): the installer starts it with its "
        "own token",
        failure.c_str());
  }
  if (StartProcess(*command, installDir))
    return LaunchOutcome::kStarted;

  ::Sleep(kLaunchRetryPauseMs);
  // A lossy conversion could name another file, found by best fit; such a name is not retried.
  const std::string narrowCommand = WideToAnsi(command->c_str());
  if (AnsiToWide(narrowCommand) != *command)
    return LaunchOutcome::kNotStarted;
  const std::string quoted = "\"" + narrowCommand + "\"";
  // WinExec answers above 31 on success.
  return ::WinExec(quoted.c_str(), SW_SHOW) > 31 ? LaunchOutcome::kStartedByFallback
                                                 : LaunchOutcome::kNotStarted;
}
