#pragma once

#include <string>
#include <vector>

struct RunOutcome;

// What the end of an install run leaves.
struct CompletionResult {
  // The client's launcher is in the install folder after the run.
  bool clientPresent = false;
  bool recordWritten = false;
  bool registered = false;
  // The finish page follows; otherwise the wizard ends (a failed run that left no client).
  bool showFinishPage = false;
};

// Makes installDir and the folders above it that are missing, as Program Files holds programs:
// only administrators may change what is in them. Before a run, in the wizard and silently.
// Returns the folders it created, for CompleteInstallation.
std::vector<std::wstring> CreateInstallFolder(const std::wstring& installDir);

// Ends an install run in installDir. Only a complete run writes install.dat and the registration
// (shortcuts and uninstall entry): a failed run changed nothing of the client, so a fresh install
// that failed has nothing to register and an update that failed keeps the registration it had.
// No failure stops the other steps. The finish page follows a complete run, and a failed one
// that still left a usable client (a failed update over an earlier installation). A failed run
// removes the folders CreateInstallFolder made (`created`) when it left nothing in them.
CompletionResult CompleteInstallation(const std::wstring& installDir,
                                      const RunOutcome& outcome,
                                      const std::vector<std::wstring>& created = {});
