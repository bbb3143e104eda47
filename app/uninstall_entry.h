#pragma once

#include <string>
#include <vector>

// One REG_SZ value of the uninstall entry.
struct RegistryText {
  std::wstring name;
  std::wstring text;
};

// The five values of the entry in the system's list of installed programs, in the order they
// are written: DisplayIcon, DisplayName, InstallLocation, Publisher, UninstallString.
std::vector<RegistryText> UninstallEntryValues(const std::wstring& installDir,
                                               const std::wstring& launcherName);

// Creates or opens HKEY_LOCAL_MACHINE\SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall\velmora
// (the 32-bit view for this 32-bit program) and writes the five values in order. Values are
// written whole, whatever the folder's length. False at the first failure; the values written
// before it stay.
bool WriteUninstallEntry(const std::wstring& installDir, const std::wstring& launcherName);
