#pragma once

#include <string>

// What the end of an install run leaves, successful or not: install.dat and the registration.
struct CompletionResult {
  bool recordWritten = false;
  bool registered = false;
};

// Writes install.dat into installDir, then registers the installation (shortcuts and uninstall
// entry). No failure stops the other steps.
CompletionResult CompleteInstallation(const std::wstring& installDir);
