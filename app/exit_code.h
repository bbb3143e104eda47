#pragma once

// What installer.exe ends with. The wizard ends with kInstalled (0), whatever the user did, unless
// the installer itself fails; the other codes are for administrators who run it silently (/S).
enum ExitCode : int {
  kExitInstalled = 0,         // a complete run (or the wizard, or /?)
  kExitFailed = 1,            // the run stopped at a failure (see the log)
  kExitBadCommandLine = 2,    // an option the installer does not know, or a bad value
  kExitAnotherInstaller = 3,  // another installer still ran after the silent one's wait
  kExitInternalError = 4,     // the installer itself failed (an uncaught exception, an abort)
};
