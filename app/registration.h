#pragma once

#include <string>

// Where the two shortcuts go: the desktop and the user's Start menu Programs folder, each
// "Quenby.lnk". Empty text when the shell does not name the folder: the shortcut is then left
// out rather than written to the root of the current drive.
std::wstring DesktopShortcutPath();
std::wstring StartMenuShortcutPath();

// Registers the installation in installDir: both shortcuts to installDir\tarsklogin.exe (one
// that cannot be written is skipped), then the uninstall entry. True when the entry was written
// completely.
bool RegisterInstallation(const std::wstring& installDir);
