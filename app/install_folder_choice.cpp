#include "app/install_folder_choice.h"

void InstallFolderChoice::SetDefault(const DefaultInstallFolder& folder) {
  if (frozen_)
    return;
  installDir_ = folder.installDir;
  programFilesDir_ = folder.programFilesDir;
}

bool InstallFolderChoice::Accept(const ChosenInstallFolder& folder) {
  if (frozen_)
    return false;
  installDir_ = folder.installDir;
  return true;
}

const std::wstring& InstallFolderChoice::Freeze() {
  frozen_ = true;
  return installDir_;
}
