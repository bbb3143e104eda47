#pragma once

#include <optional>
#include <string>

// The working folder a shortcut to target gets: the target up to its last "\" or "/" (the whole
// target when it has neither). Nothing for a target that contains "http" anywhere (exact case),
// taken for a web address.
std::optional<std::wstring> ShortcutWorkingFolder(const std::wstring& target);

// Writes a shortcut file at linkPath pointing at target, with the working folder above (and for
// "http" targets no icon location), through the shell link object. Initialises COM for the
// call. True when the shortcut was saved.
bool CreateShellLink(const std::wstring& target, const std::wstring& linkPath);

// What a shortcut file holds, read back through the shell link object.
struct ShellLinkContents {
  bool loaded = false;  // false when the file could not be loaded as a shortcut
  std::wstring target;
  std::wstring workingFolder;
};
// Reads the shortcut at linkPath. Initialises COM for the call.
ShellLinkContents ReadShellLink(const std::wstring& linkPath);
