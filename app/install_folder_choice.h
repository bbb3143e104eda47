#pragma once

#include <string>

#include "app/install_folder.h"

// The install folder and its one rule: once the install has started, the folder no longer
// changes. The wizard's folder dialogs are modal to it, so no choice should arrive after the
// start; one that does all the same is refused, and the engine threads, which read the folder
// from the start on, never see a change. Used on the UI thread only; the engine threads receive
// the frozen value.
class InstallFolderChoice {
 public:
  // The folder proposed at window creation.
  void SetDefault(const DefaultInstallFolder& folder);

  // A folder the user confirmed; false (and nothing changes) once the install has started.
  bool Accept(const ChosenInstallFolder& folder);

  // The install start: from now on the folder is fixed. Returns it.
  const std::wstring& Freeze();

  const std::wstring& installDir() const { return installDir_; }
  const std::wstring& programFilesDir() const { return programFilesDir_; }
  bool frozen() const { return frozen_; }

 private:
  std::wstring installDir_;
  std::wstring programFilesDir_;
  bool frozen_ = false;
};
