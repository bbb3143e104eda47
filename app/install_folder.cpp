#include "app/install_folder.h"

#include <windows.h>

#include <shlobj.h>

#include "app/shell_folders.h"

namespace {

constexpr wchar_t kProductFolder[] = L"Cobalind\\velmora";
constexpr wchar_t kChosenSubfolder[] = L"velmora";
// Two spaces, "default folder" and a full-width colon.
constexpr wchar_t kDefaultLabel[] = L"  默认目录：";
constexpr wchar_t kFixedDefault[] = L"C:\\Program Files (x86)\\Cobalind\\velmora";

}  // namespace

DefaultInstallFolder MakeDefaultInstallFolder(const std::wstring& programFilesDir) {
  DefaultInstallFolder folder;
  if (programFilesDir.empty()) {
    folder.installDir = kFixedDefault;
    folder.editText = kFixedDefault;
    return folder;
  }
  folder.programFilesDir = programFilesDir;
  folder.installDir = programFilesDir + L"\\" + kProductFolder;
  folder.editText = kDefaultLabel + folder.installDir;
  return folder;
}

DefaultInstallFolder LookUpDefaultInstallFolder() {
  // For a 32-bit program on 64-bit Windows this is the x86 Program Files folder.
  return MakeDefaultInstallFolder(SpecialFolderPath(CSIDL_PROGRAM_FILES));
}

ChosenInstallFolder MakeChosenInstallFolder(const std::wstring& chosenFolder) {
  return {chosenFolder + L"\\" + kChosenSubfolder, chosenFolder};
}
