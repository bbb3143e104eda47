#include "app/registration.h"

#include <windows.h>

#include <shlobj.h>

#include "app/product_names.h"
#include "app/shell_folders.h"
#include "app/shell_link.h"
#include "app/uninstall_entry.h"

std::wstring DesktopShortcutPath() {
  const std::wstring desktop = GetDesktopFolder();
  return desktop.empty() ? desktop : desktop + L"\\" + product::kShortcutFileName;
}

std::wstring StartMenuShortcutPath() {
  const std::wstring startMenu = SpecialFolderPath(CSIDL_STARTMENU);
  // Directly in Programs, not in a sub-folder of its own.
  return startMenu.empty() ? startMenu : startMenu + L"\\Programs\\" + product::kShortcutFileName;
}

bool RegisterInstallation(const std::wstring& installDir) {
  const std::wstring target = installDir + L"\\" + product::kLauncherName;
  // A shortcut that cannot be written does not stop the registration.
  for (const std::wstring& link : {DesktopShortcutPath(), StartMenuShortcutPath()}) {
    if (!link.empty())
      CreateShellLink(target, link);
  }
  return WriteUninstallEntry(installDir, product::kLauncherName);
}
