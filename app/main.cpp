#include <windows.h>

#include <csignal>
#include <cstdio>
#include <string>

#include "app/command_line.h"
#include "app/exit_code.h"
#include "app/install_folder.h"
#include "app/install_wnd.h"
#include "app/installer_lock.h"
#include "app/product_names.h"
#include "app/run_log_file.h"
#include "app/run_log_folder.h"
#include "app/run_log_header.h"
#include "app/silent_install.h"
#include "app/start_failure.h"
#include "app/wizard_title.h"
#include "base/system_library.h"
#include "engine/common/text_convert.h"
#include "ui/core/message_loop.h"
#include "ui/core/skin_settings.h"

namespace {

constexpr const wchar_t* kWindowTitle = kBuildWizardTitle;
// How long a second installer looks for the running one's wizard, which may still be starting.
constexpr DWORD kRunningWizardWaitMs = 10000;
// How long a silent installer waits for another one to end.
constexpr DWORD kSilentLockWaitMs = 10 * 60 * 1000;

// Opens the run's log (the command line's file, else a new one in %TEMP%, where only the newest
// are kept) and makes it the process's. Never closed: the install's threads may write to it until
// the process ends.
RunLog& OpenRunLog(const CommandLineOptions& options) {
  const std::wstring folder = RunLogFolder();
  std::wstring path = options.logPath;
  if (path.empty() && !folder.empty()) {
    SYSTEMTIME now;
    ::GetLocalTime(&now);
    path = folder + RunLogName(now);
  }
  auto* log = new RunLogFile(path);
  if (!folder.empty())
    RemoveOldRunLogs(folder, kRunLogsKept);
  SetActiveRunLog(log);
  return *log;
}

// abort(), from the runtime or a library, would end the process with 3, the code of "another
// installer still ran": it ends with the code of an internal error instead.
void OnAbort(int) {
  ActiveRunLog().Printf("internal error: the installer aborted; exit code %d", kExitInternalError);
  ::TerminateProcess(::GetCurrentProcess(), kExitInternalError);
}

int End(RunLog& log, int exitCode) {
  log.Printf("exit code %d", exitCode);
  return exitCode;
}

int RunWizard(RunLog& log, const CommandLineOptions& options, HINSTANCE instance) {
  // Held until the process ends. A second installer shows the running one and ends.
  InstallerLock lock;
  if (!lock.Acquire(product::kInstallerMutexName, InstallWnd::kWindowClassName,
                    kRunningWizardWaitMs)) {
    RecordStartFailure(
        L"ended at its start: another installer is running (its wizard was "
        L"brought to the front)");
    return End(log, kExitInstalled);
  }

  ui::SetProgramModule(instance);
  // Never deleted: the install's threads may use it until the process ends.
  auto* wizard = new InstallWnd(options.chosenFolder);
  // Creating the window loads the skin and proposes the default folder; a skin that cannot be
  // built ends the process with its message. Without a window nothing could ever end the loop
  // below, so the installer ends at once.
  if (!wizard->CreateNativeWindow(nullptr, kWindowTitle, InstallWnd::kWindowStyle, 0, 0, 0, 0, 0)) {
    // Formatted narrow: std::to_wstring would bring the wide printf family into the program.
    char reason[96];
    std::snprintf(reason, sizeof reason,
                  "the wizard window could not be created (CreateWindowExW, error %lu)",
                  ::GetLastError());
    RecordStartFailure(Utf8ToWide(reason));
    return End(log, kExitInstalled);
  }
  log.Printf("wizard shown; install folder %s", WideToUtf8(wizard->installDir()).c_str());
  wizard->CenterOnMonitor();
  wizard->ShowNativeWindow(true, true);
  ui::RunMessageLoop();

  // Quitting during an install: the engine's threads are still inside the transfer or the
  // registration. Returning would run the runtime's exit under them; the process ends here
  // instead, at once, as nothing is to be rolled back.
  if (wizard->InstallRunning()) {
    log.Write("the wizard was closed during the install");
    ::TerminateProcess(::GetCurrentProcess(), End(log, kExitInstalled));
  }
  return End(log, kExitInstalled);
}

int RunSilent(RunLog& log, const CommandLineOptions& options) {
  InstallerLock lock;
  if (!lock.AcquireWaiting(product::kInstallerMutexName, kSilentLockWaitMs)) {
    log.Write("another installer still runs after 10 minutes");
    return End(log, kExitAnotherInstaller);
  }
  const std::wstring installDir = options.chosenFolder.empty()
                                      ? LookUpDefaultInstallFolder().installDir
                                      : MakeChosenInstallFolder(options.chosenFolder).installDir;
  log.Printf("silent install into %s", WideToUtf8(installDir).c_str());
  return End(log, RunSilentInstall(installDir));
}

}  // namespace

// Without "/S" or "/?": the wizard, which ends with 0 whatever the arguments. The command line
// (app/command_line.h) asks for a silent install, another folder or log, or the options.
int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
  // Before anything can load a DLL by name: the installer is often started from a download
  // folder, where a planted DLL must never be picked up.
  base::RestrictDllSearchToSystemFolder();
  std::signal(SIGABRT, OnAbort);

  const wchar_t* commandLine = ::GetCommandLineW();
  const ParsedCommandLine parsed = ParseCommandLine(commandLine);
  RunLog& log = OpenRunLog(parsed.options);
  WriteRunLogHeader(log, commandLine);

  for (const std::wstring& argument : parsed.ignored)
    log.Printf("argument not understood: %s", WideToUtf8(argument).c_str());
  switch (ChooseStart(parsed)) {
    case StartChoice::kBadCommandLine:
      // An unattended run must not wait for a click on a message box.
      log.Printf("bad command line: %s", WideToUtf8(parsed.error).c_str());
      return End(log, kExitBadCommandLine);
    case StartChoice::kHelp:
      ::MessageBoxW(nullptr, UsageText().c_str(), kWindowTitle, MB_OK | MB_ICONINFORMATION);
      return End(log, kExitInstalled);
    case StartChoice::kSilent:
      return RunSilent(log, parsed.options);
    case StartChoice::kWizard:
      break;
  }
  return RunWizard(log, parsed.options, instance);
}
